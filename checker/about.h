// The about box (command 221): at most one at a time, while AboutOpen is 1.
#pragma once

#include <windows.h>

namespace mailwick {

// Opens the modeless about box owned by the main window unless one is open already.
void OnAbout(HWND mainWindow);

}  // namespace mailwick
