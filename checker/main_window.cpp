#include "checker/main_window.h"

#include "checker/about.h"
#include "checker/check_cycle.h"
#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/help.h"
#include "checker/mail_list/mail_list_window.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/notification.h"
#include "checker/options/options_sheet.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "common/app_identity.h"
#include "common/window.h"
#include "checker/texts.h"

namespace mailwick {

namespace {

int CurrentAccountValid() {
    int valid = 0;
    UpdateSettings([&](Settings& s) { valid = ValidateAccount(s); });
    return valid;
}

// Check Now runs both timer handlers, which start at most one check.
void OnCheckNow(HWND hwnd) {
    SendMessageA(hwnd, WM_TIMER, OfflineTimer, 0);
    SendMessageA(hwnd, WM_TIMER, OnlineTimer, 0);
}

// The hidden AppWClass window. Its state is the process-wide g_process; the object
// only carries the handlers.
class MainWindow : public Window {
protected:
    bool OnCreate(const CREATESTRUCTA&) override {
        g_process.mainWindow.store(Handle());
        closing_ = false;
        TrayIconAction(Handle(), TrayAdd);
        RegisterForResume();
        return true;
    }

    // Checking off, icon gone, then a bounded wait for a running check before the window goes.
    bool OnClose() override {
        HWND hwnd = Handle();
        // The list window keeps its layout only through its own close.
        CloseMailListWindow();
        StopCheckingMode(hwnd);
        TrayIconAction(hwnd, TrayDelete);
        if (g_process.state.CheckIdle() == 0) {
            SetStatusText(kClosingStatus);
            closing_ = true;
            WaitForCheckEnd(kCloseWaits * kCloseWaitMs);
        }
        DestroyWindow(hwnd);
        return true;
    }

    void OnDestroy() override {
        UnregisterForResume();
        PostQuitMessage(0);
    }

    // Commands carried out by the main window; the rest go on to the default procedure.
    bool OnCommand(WORD id, WORD, HWND) override {
        HWND hwnd = Handle();
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

    bool OnTimer(UINT_PTR id) override {
        HWND hwnd = Handle();
        switch (id) {
            case OfflineTimer: OnOfflineTimer(hwnd); return true;
            case OnlineTimer: OnOnlineTimer(hwnd); return true;
            case 3: return true;  // never set; accepted and ignored
            case FlashTimer: OnFlashTimer(hwnd); return true;
            case ResumeTimer: OnResumeTimer(hwnd); return true;
            default: return false;
        }
    }

    bool OnInitMenu(HMENU) override {
        UpdateMenuState(CurrentAccountValid());
        return true;
    }

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
            case TrayNotifyMessage:
                OnTrayNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam), CurrentAccountValid());
                return true;
            // Mail found by a check that ends during the close is stored, not announced:
            // no sound, dialog or mail program for a program on its way out.
            case NewMailMessage:
                if (!closing_) OnNewMail(Handle());
                return true;
            case MailRowsMessage: result = OnMailRowsMessage(wParam, lParam); return true;
            case NewSendersMessage: result = OnNewSendersMessage(); return true;
            case WM_POWERBROADCAST:
                OnPowerBroadcast(Handle(), wParam);
                result = TRUE;
                return true;
            default: return OnTaskbarCreated(Handle(), message);
        }
    }

private:
    // Windows 8 and later send some resume notices only to windows that ask; the calls are
    // looked up because older systems lack them.
    template <typename Fn>
    static Fn User32(const char* name) {
        HMODULE user = GetModuleHandleA("user32.dll");
        return user ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
    }
    void RegisterForResume() {
        if (auto* registerFor = User32<HANDLE(WINAPI*)(HANDLE, DWORD)>("RegisterSuspendResumeNotification")) {
            resumeNotification_ = registerFor(Handle(), DEVICE_NOTIFY_WINDOW_HANDLE);
        }
    }
    void UnregisterForResume() {
        auto* unregister = User32<BOOL(WINAPI*)(HANDLE)>("UnregisterSuspendResumeNotification");
        if (resumeNotification_ && unregister) unregister(resumeNotification_);
        resumeNotification_ = nullptr;
    }

    HANDLE resumeNotification_ = nullptr;
    bool closing_ = false;  // in the close wait
};

// One main window per process.
MainWindow g_mainWindow;

}  // namespace

bool RegisterCheckerClasses(HINSTANCE instance) {
    return RegisterWindowClass(instance, kMainWindowClass, LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP))) &&
           RegisterMailListClass(instance);
}

HWND CreateMainWindow(HINSTANCE instance) {
    if (g_mainWindow.Handle()) return nullptr;
    return g_mainWindow.Create(instance, kMainWindowClass, kMainWindowTitle, WS_SYSMENU);
}

}  // namespace mailwick
