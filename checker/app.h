// The checker's program entry and shutdown, in their fixed order.
#pragma once

#include <windows.h>

namespace mailwick {

int RunChecker(HINSTANCE instance);

// Test seam: how start-up starts Windows Sockets 1.1, true when it did (the real start
// unless replaced; nullptr restores it). Returns the function it replaces.
using StartSocketsFunction = bool (*)();
StartSocketsFunction SetStartSocketsFunction(StartSocketsFunction function);

}  // namespace mailwick
