// Resource ids of the checker: dialogs, controls, menus, icons and strings.
#pragma once

// Commands of the tray menu and the mail list window's menu (WM_COMMAND, low word).
#define IDM_CHECK_NOW       201
#define IDM_OPEN            202
#define IDM_OPTIONS         203
#define IDM_EXIT            204
#define IDM_START_CHECKING  205
#define IDM_STOP_CHECKING   206
#define IDM_NEW_MAIL_ONLY   207
#define IDM_ALL_MAIL        208
#define IDM_READ_MAIL       209
#define IDM_HELP_CONTENTS   220
#define IDM_ABOUT           221
#define IDM_HOMEPAGE        223
#define IDM_MAIL_AUTHOR     224

// Icons: the program's own, the five tray pictures and the two row images of the list.
#define IDI_APP             400
#define IDI_TRAY_WAITING    402
#define IDI_TRAY_CHECKING   403
#define IDI_TRAY_NEW_MAIL   404
#define IDI_TRAY_FAILED     405
#define IDI_TRAY_STOPPED    406
#define IDI_ROW_SEEN        407
#define IDI_ROW_NEW         408

// The menus are named resources, TRAYMENU and USERMENU; the script names them bare, so
// no macro of those names may exist here.
#ifndef RC_INVOKED
inline constexpr char kTrayMenuName[] = "TRAYMENU";
inline constexpr char kUserMenuName[] = "USERMENU";
#endif
