// The options sheet: Account, Connection (only with the dial-up library), Checking and
// Notifications, over a working copy of the settings. OK copies each shown page's
// fields into the live record and saves it; Cancel keeps nothing.
#pragma once

#include <windows.h>

namespace mailwick {

inline constexpr char kOptionsCaption[] = "Options";

// Command 203: opens the sheet owned by the main window, unless it is open already.
void OnOptionsCommand(HWND mainWindow);

// Shows the sheet modally over a copy of the live settings; returns when it closes.
void OpenOptions(HWND owner);

// How the pages reach the help file and play sounds; tests replace them.
// Both return nullptr-safe previous values; nullptr restores the real function.
using HelpFunction = BOOL (*)(HWND owner, UINT command, ULONG_PTR data);
HelpFunction SetOptionsHelpFunction(HelpFunction function);
using SoundFunction = void (*)(const char* file);
SoundFunction SetOptionsSoundFunction(SoundFunction function);

}  // namespace mailwick
