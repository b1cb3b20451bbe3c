// The message loop of the three programs. Messages for a modeless dialog go through
// IsDialogMessage first, so Tab, Enter and Esc work there as in a modal one.
#pragma once

#include <windows.h>

namespace mailwick {

// Dialog::CreateModeless adds its dialog, and the dialog's end removes it; a dialog made
// another way can be added by hand. Main thread only.
void AddModelessDialog(HWND dialog);
void RemoveModelessDialog(HWND dialog);

// true when a modeless dialog took the message (it must then not be dispatched).
bool RouteToModelessDialog(MSG& msg);

// Runs until WM_QUIT; returns its exit code.
int RunMessageLoop();

}  // namespace mailwick
