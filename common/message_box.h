// Every message box of the three programs goes through here, so tests can watch
// (and answer) them instead of a modal box blocking the run.
#pragma once

#include <windows.h>

namespace mailwick {

using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Shows a message box through the installed function (MessageBoxA unless replaced).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Replaces the function; nullptr restores MessageBoxA. Returns the previous one.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction fn);

}  // namespace mailwick
