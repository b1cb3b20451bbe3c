// The hidden main window "Mailwick_Main": tray icon, menus' commands, check timers,
// the new-mail message; and the check control that hangs off it.
#pragma once

#include <windows.h>

namespace mailwick {

// Registers AppWClass and AppUserWClass; false when either fails.
bool RegisterCheckerClasses(HINSTANCE instance);
// Creates the hidden main window (which adds the tray icon) and records it; null when
// creation fails or the main window exists already.
HWND CreateMainWindow(HINSTANCE instance);

// Clears CheckIdle and CheckFailed and starts a check worker with the current settings.
void StartCheck();
// Checking mode on (command 205): both timers, their first periods from "LastCheck".
void StartCheckingMode(HWND hwnd);
// Checking mode off (command 206); a running check goes on.
void StopCheckingMode(HWND hwnd);
// The two check timers' handlers.
void OnOfflineTimer(HWND hwnd);
void OnOnlineTimer(HWND hwnd);

// WM_POWERBROADCAST: the first resume notice of a wake, with checking on, sets the
// resume timer; the network needs a moment to come back.
void OnPowerBroadcast(HWND hwnd, WPARAM event);
// The resume timer: one check if checking is on and none runs, as Check Now does, so the
// periods start over from it.
void OnResumeTimer(HWND hwnd);
inline constexpr UINT kResumeCheckDelayMs = 15000;

// Upper bound of the closing wait for a running check: 20 waits of 500 ms.
inline constexpr int kCloseWaits = 20;
inline constexpr DWORD kCloseWaitMs = 500;

}  // namespace mailwick
