// The checker's program entry and shutdown, in their fixed order.
#pragma once

#include <windows.h>

namespace mailwick {

int RunChecker(HINSTANCE instance);

}  // namespace mailwick
