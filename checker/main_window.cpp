#include "checker/main_window.h"

#include "checker/about.h"
#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/help.h"
#include "checker/mail_list_window.h"
#include "checker/mail_rows.h"
#include "checker/notification.h"
#include "checker/options_sheet.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "common/app_identity.h"

namespace mailwick {

namespace {

int CurrentAccountValid() {
    int valid = 0;
    UpdateSettings([&](Settings& s) { valid = ValidateAccount(s); });
    return valid;
}

LRESULT OnCreate(HWND hwnd) {
    g_process.mainWindow.store(hwnd);
    TrayIconAction(hwnd, TrayAdd);
    return 0;
}

// Checking off, icon gone, then a bounded wait for a running check before the window goes.
LRESULT OnClose(HWND hwnd) {
    StopCheckingMode(hwnd);
    TrayIconAction(hwnd, TrayDelete);
    if (g_process.state.CheckIdle() == 0) {
        SetStatusText("Trying to close connection gracefully...");
        for (int waits = 0; g_process.state.CheckIdle() == 0 && waits < kCloseWaits; ++waits) {
            Sleep(kCloseWaitMs);
        }
    }
    DestroyWindow(hwnd);
    return 0;
}

// Check Now runs both timer handlers, which start at most one check.
void OnCheckNow(HWND hwnd) {
    SendMessageA(hwnd, WM_TIMER, OfflineTimer, 0);
    SendMessageA(hwnd, WM_TIMER, OnlineTimer, 0);
}

// Commands carried out by the main window; false sends the command on to the default
// procedure.
bool OnCommand(HWND hwnd, WORD id) {
    switch (id) {
        case IDM_CHECK_NOW: OnCheckNow(hwnd); return true;
        case IDM_OPEN: OpenMailListWindow(hwnd); return true;
        case IDM_OPTIONS: OnOptionsCommand(hwnd); return true;
        case IDM_EXIT: SendMessageA(hwnd, WM_CLOSE, 0, 0); return true;
        case IDM_START_CHECKING: StartCheckingMode(hwnd); return true;
        case IDM_STOP_CHECKING: StopCheckingMode(hwnd); return true;
        case IDM_READ_MAIL: LaunchMailProgram(); return true;
        case IDM_HELP_CONTENTS: OnHelpContents(hwnd); return true;
        case IDM_ABOUT: OnAbout(hwnd); return true;
        case IDM_HOMEPAGE: OpenShortcutFile(kHomepageFile); return true;
        case IDM_MAIL_AUTHOR: OpenShortcutFile(kAuthorFile); return true;
        default: return false;
    }
}

bool OnTimer(HWND hwnd, UINT_PTR id) {
    switch (id) {
        case OfflineTimer: OnOfflineTimer(hwnd); return true;
        case OnlineTimer: OnOnlineTimer(hwnd); return true;
        case 3: return true;  // never set; accepted and ignored
        case FlashTimer: OnFlashTimer(hwnd); return true;
        default: return false;
    }
}

LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: return OnCreate(hwnd);
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_CLOSE: return OnClose(hwnd);
        case WM_COMMAND:
            if (OnCommand(hwnd, LOWORD(wParam))) return 0;
            break;
        case WM_TIMER:
            if (OnTimer(hwnd, wParam)) return 0;
            break;
        case WM_INITMENU: UpdateMenuState(CurrentAccountValid()); return 0;
        case TrayNotifyMessage:
            OnTrayNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam), CurrentAccountValid());
            return 0;
        case NewMailMessage: OnNewMail(hwnd); return 0;
        case MailRowsMessage: return OnMailRowsMessage(wParam, lParam);
        default:
            if (OnTaskbarCreated(hwnd, message)) return 0;
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC proc, const char* menu) {
    WNDCLASSA wc{};
    wc.style = 0;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Dispatch(hwnd, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

bool RegisterCheckerClasses(HINSTANCE instance) {
    return RegisterWindowClass(instance, kMainWindowClass, MainWindowProc, nullptr) &&
           RegisterMailListClass(instance);
}

HWND CreateMainWindow(HINSTANCE instance) {
    HWND hwnd = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    return hwnd;
}

}  // namespace mailwick
