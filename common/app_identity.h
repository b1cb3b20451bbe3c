// The identity of the checker's hidden main window, by which all three programs
// recognise a running checker.
#pragma once

#include <windows.h>

#include "common/version.h"

namespace mailwick {

inline constexpr char kProductName[] = MW_PRODUCT_NAME;
inline constexpr char kMainWindowClass[] = "AppWClass";
inline constexpr char kMainWindowTitle[] = "Mailwick_Main";

// The running checker's hidden main window, or nullptr when none runs.
HWND FindRunningChecker();

}  // namespace mailwick
