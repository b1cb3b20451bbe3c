// The checker's program entry and shutdown, in their fixed order.
#pragma once

#include <windows.h>

namespace mailwick {

inline constexpr char kAlreadyRunningText[] =
    "You are already running Mailwick and can not have more than one instance running!";

int RunChecker(HINSTANCE instance);

}  // namespace mailwick
