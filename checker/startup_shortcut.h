// The checker's own side of the Startup shortcut: testing for it and creating it.
// Removal is in common/startup_shortcut.h, which all three programs carry.
#pragma once

#include <windows.h>

#include "checker/texts.h"
#include "common/startup_shortcut.h"

namespace mailwick {

// True when the Startup folder is known and the shortcut file is in it.
bool StartupShortcutExists();

// Creates the shortcut to "mailwick.exe" in the current directory unless it exists,
// and tells the user whether saving it worked. Silent when the folder is unknown or
// the shell-link object cannot be had. The message is owned by `owner` (none at start-up),
// which stays disabled while it is shown.
void CreateStartupShortcut(HWND owner = nullptr);

}  // namespace mailwick
