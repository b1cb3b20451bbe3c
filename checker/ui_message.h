#pragma once
#include <windows.h>

// Every message box of the checker goes through this pointer, so tests can read what would
// have been shown instead of blocking on a modal box.
using MessageBoxFn = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);
inline MessageBoxFn g_messageBox = MessageBoxA;

inline int ShowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return g_messageBox(owner, text, caption, type);
}
