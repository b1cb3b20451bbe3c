// The notification-area icon: its pictures, the rule that picks one, the shell calls,
// the mouse handling, and the enabling of the tray and mail list menus.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "checker/logic/tray_rules.h"

namespace mailwick {

inline constexpr UINT TrayIconId = 32517;
inline constexpr char TrayTip[] = "Mailwick";

enum TrayIconActionKind : int {
    TrayAdd = 0,     // NIM_ADD with message, icon and tip
    TrayModify = 1,  // NIM_MODIFY with icon and tip
    TrayDelete = 2,  // NIM_DELETE
};

// Loads the five tray pictures (a picture that fails to load stays empty) and the popup
// menu, the first submenu of TRAYMENU. 1 when the menu and its submenu exist.
int LoadTrayResources();

// The picture index for the current run state (g_process.state).
int TrayIconIndex();
// Shows table picture `index` (0..4; anything else is ignored) on the icon.
void UpdateTrayIcon(int index);
// Adds, modifies or deletes the icon of `window`, carrying the current picture.
void TrayIconAction(HWND window, int action);

// Shows a balloon from the icon of the main window (the shell's notification on Windows
// 10 and 11). Shells before 5.0 have none: nothing happens there.
void ShowTrayBalloon(const std::string& title, const std::string& text);
// Whether the shell is 5.0 or later; read once by LoadTrayResources.
bool ShellHasBalloons();

// The main window's handler of TrayNotifyMessage (wParam: icon id, lParam: mouse
// message). `accountValid` is the settings' ValidateAccount result, passed in by the main
// window, which owns the settings; the right button's menu needs it.
void OnTrayNotify(UINT iconId, UINT mouseMessage, int accountValid);

// Enables and greys the commands of the tray menu and, while the mail list window is
// open, of its menu. Run on the main window's and the list window's WM_INITMENU.
void UpdateMenuState(int accountValid);

// The shell broadcasts "TaskbarCreated" when the task bar is re-created (after the shell
// restarted); the icon must then be added again. The main window procedure calls this
// for every message it does not handle itself; true when it was that broadcast.
bool OnTaskbarCreated(HWND window, UINT message);
UINT TaskbarCreatedMessage();

// The loaded popup menu (none before LoadTrayResources).
HMENU TrayPopupMenu();
// The picture most recently shown (none before the pictures are loaded).
HICON CurrentTrayIcon();
HICON TrayIconPicture(int index);

// Test seam: the function that carries out the shell calls (Shell_NotifyIconA unless
// replaced). Returns the previous one.
using ShellNotifyFunction = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
ShellNotifyFunction SetShellNotifyFunction(ShellNotifyFunction function);

}  // namespace mailwick
