#include "checker/tray.h"

#include <shlwapi.h>

#include <atomic>
#include <cstring>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/resource.h"
#include "checker/texts.h"

namespace mailwick {

#ifndef _WIN64
// The record of Windows 95 / NT 4.0 shells.
static_assert(NOTIFYICONDATAA_V1_SIZE == 88);
#endif

namespace {

constexpr int kPictureIds[TrayPictureCount] = {
    IDI_TRAY_WAITING, IDI_TRAY_CHECKING, IDI_TRAY_NEW_MAIL, IDI_TRAY_FAILED, IDI_TRAY_STOPPED};

// Filled once on the main thread at start-up, before any check worker exists.
HICON g_pictures[TrayPictureCount] = {};
HMENU g_menu = nullptr;
HMENU g_popup = nullptr;
// Written by the main thread and the check worker.
std::atomic<HICON> g_currentIcon{nullptr};
std::atomic<ShellNotifyFunction> g_shellNotify{&Shell_NotifyIconA};
bool g_shellHasBalloons = false;
constexpr UINT kBalloonTimeoutMs = 10000;

// shell32's DllGetVersion, looked up by name: the shells of Windows 95 and NT 4.0 have none.
bool ReadShellHasBalloons() {
    HMODULE shell = GetModuleHandleA("shell32.dll");
    auto* getVersion =
        shell ? reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")))
              : nullptr;
    if (!getVersion) return false;
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(getVersion(&info)) && info.dwMajorVersion >= 5;
}

void Notify(DWORD message, HWND window, UINT flags) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = window;
    data.uID = TrayIconId;
    data.uFlags = flags;
    data.uCallbackMessage = TrayNotifyMessage;
    data.hIcon = g_currentIcon.load();
    lstrcpynA(data.szTip, TrayTip, 64);
    g_shellNotify.load()(message, &data);
}

void Enable(HMENU menu, UINT id, bool enabled) {
    if (menu) EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

// Enables or greys a command in the tray menu and in the list window's menu.
void EnableBoth(HMENU listMenu, UINT id, bool enabled) {
    Enable(g_popup, id, enabled);
    Enable(listMenu, id, enabled);
}

}  // namespace

int LoadTrayResources() {
    HINSTANCE instance = g_process.instance;
    for (int i = 0; i < TrayPictureCount; ++i) {
        if (HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(kPictureIds[i]))) g_pictures[i] = icon;
    }
    g_shellHasBalloons = ReadShellHasBalloons();
    if (!g_menu) g_menu = LoadMenuA(instance, kTrayMenuName);
    if (!g_menu) return 0;
    g_popup = GetSubMenu(g_menu, 0);
    return g_popup ? 1 : 0;
}

int TrayIconIndex() {
    const CheckerState& s = g_process.state;
    TrayFlags flags;
    flags.checkingOn = s.CheckingOn();
    flags.checkIdle = s.CheckIdle();
    flags.newMailPending = s.NewMailPending();
    flags.flashPhase = s.FlashPhase();
    flags.checkFailed = s.CheckFailed();
    return TrayIconIndexFor(flags);
}

void UpdateTrayIcon(int index) {
    if (index < 0 || index >= TrayPictureCount) return;
    // The tip never changes, so a picture already shown needs no call into the tray's
    // process (each one a round trip there). A change on another thread sends the picture
    // current at its own call, so the last change is always what the tray shows.
    if (g_currentIcon.exchange(g_pictures[index]) == g_pictures[index]) return;
    Notify(NIM_MODIFY, g_process.mainWindow.load(), NIF_ICON | NIF_TIP);
}

void TrayIconAction(HWND window, int action) {
    switch (action) {
    case TrayAdd: Notify(NIM_ADD, window, NIF_MESSAGE | NIF_ICON | NIF_TIP); break;
    case TrayModify: Notify(NIM_MODIFY, window, NIF_ICON | NIF_TIP); break;
    case TrayDelete: Notify(NIM_DELETE, window, 0); break;
    default: break;
    }
}

bool ShellHasBalloons() { return g_shellHasBalloons; }

// The icon's own calls keep the record of the first shells; the balloon needs the
// second one's fields and size.
void ShowTrayBalloon(const std::string& title, const std::string& text) {
    if (!g_shellHasBalloons) return;
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = g_process.mainWindow.load();
    data.uID = TrayIconId;
    data.uFlags = NIF_INFO;
    lstrcpynA(data.szInfo, text.c_str(), sizeof data.szInfo);
    lstrcpynA(data.szInfoTitle, title.c_str(), sizeof data.szInfoTitle);
    data.uTimeout = kBalloonTimeoutMs;
    data.dwInfoFlags = NIIF_INFO;
    g_shellNotify.load()(NIM_MODIFY, &data);
}

void OnTrayNotify(UINT /*iconId*/, UINT mouseMessage, int accountValid) {
    HWND main = g_process.mainWindow.load();
    switch (mouseMessage) {
    case WM_LBUTTONDOWN:
        // Acknowledges the new mail; the flash step then finds nothing pending and stops.
        g_process.state.SetNewMailPending(0);
        SendMessageA(main, WM_TIMER, FlashTimer, 0);
        break;
    case NIN_BALLOONUSERCLICK:  // the balloon says there is new mail: show it
    case WM_LBUTTONDBLCLK:
        g_process.state.SetNewMailPending(0);
        SendMessageA(main, WM_COMMAND, IDM_OPEN, 0);
        break;
    case WM_RBUTTONDOWN: {
        g_process.state.SetNewMailPending(0);
        POINT at{};
        GetCursorPos(&at);
        UpdateMenuState(accountValid);
        // Without the foreground the menu would not close on a click elsewhere; the
        // WM_NULL afterwards lets a second click on the icon open it again.
        SetForegroundWindow(main);
        TrackPopupMenu(g_popup, 0, at.x, at.y, 0, main, nullptr);
        PostMessageA(main, WM_NULL, 0, 0);
        break;
    }
    default:
        break;
    }
}

void UpdateMenuState(int accountValid) {
    HMENU list = nullptr;
    if (g_process.listWindowOpen.load() == 1) list = GetMenu(g_process.mailListWindow.load());

    Enable(list, IDM_HELP_CONTENTS, true);

    const CheckerState& s = g_process.state;
    const bool on = s.CheckingOn() != 0;
    EnableBoth(list, IDM_START_CHECKING, !on);
    EnableBoth(list, IDM_STOP_CHECKING, on);

    if (accountValid == 0) {
        SetStatusText(kAccountInvalidStatus);
        EnableBoth(list, IDM_START_CHECKING, false);
        EnableBoth(list, IDM_STOP_CHECKING, false);
        EnableBoth(list, IDM_CHECK_NOW, false);
    } else {
        EnableBoth(list, IDM_CHECK_NOW, true);
    }
    if (s.CheckIdle() == 0) EnableBoth(list, IDM_CHECK_NOW, false);

    Enable(g_popup, IDM_OPEN, g_process.listWindowOpen.load() != 1);
    EnableBoth(list, IDM_OPTIONS, g_process.optionsOpen.load() != 1);
    EnableBoth(list, IDM_ABOUT, g_process.aboutOpen.load() != 1);
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

bool OnTaskbarCreated(HWND window, UINT message) {
    const UINT taskbarCreated = TaskbarCreatedMessage();
    if (taskbarCreated == 0 || message != taskbarCreated) return false;
    TrayIconAction(window, TrayAdd);
    return true;
}

HMENU TrayPopupMenu() { return g_popup; }
HICON CurrentTrayIcon() { return g_currentIcon.load(); }
HICON TrayIconPicture(int index) {
    return index >= 0 && index < TrayPictureCount ? g_pictures[index] : nullptr;
}

ShellNotifyFunction SetShellNotifyFunction(ShellNotifyFunction function) {
    return g_shellNotify.exchange(function ? function : &Shell_NotifyIconA);
}

}  // namespace mailwick
