#include "checker/notification.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstdio>

#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/logic/check_logic.h"
#include "checker/logic/mail_command.h"
#include "checker/newmail_res.h"
#include "checker/settings.h"
#include "common/message_box.h"

namespace mailwick {

#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);
#endif

namespace {

void PlaySoundFile(const char* file, bool async) {
    DWORD flags = SND_FILENAME | SND_NOWAIT;
    if (async) flags |= SND_ASYNC;
    PlaySoundA(file, nullptr, flags);
}

void CentreOnScreen(HWND dialog) {
    RECT r;
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(dialog, left, top, width, height, FALSE);
}

INT_PTR OnInitDialog(HWND dialog) {
    g_process.newMailDialogOpen.store(1);
    CentreOnScreen(dialog);
    // Greyed only when the program was started already: a value other than 1 means off.
    EnableWindow(GetDlgItem(dialog, IDC_NEWMAIL_READNOW), SettingsSnapshot().GetLaunchMail() != 1);
    return TRUE;
}

void CloseDialog(HWND dialog) {
    g_process.state.SetNewMailPending(0);
    g_process.newMailDialogOpen.store(0);
    DestroyWindow(dialog);
}

// The user reads later: a connection kept up for reading goes, unless it existed before
// the check and such connections are to be left alone.
INT_PTR OnLater(HWND dialog) {
    EnableWindow(GetDlgItem(dialog, IDC_NEWMAIL_LATER), FALSE);
    const Settings s = SettingsSnapshot();
    if (ShouldHangUpOnLater(s.GetUseRAS(), s.GetRASDisconnect(), g_process.dialupWasUp.load(),
                            s.GetRASDisconExceptExist())) {
        HangUpRasEntry(s.GetRASEntry());
    }
    CloseDialog(dialog);
    return TRUE;
}

INT_PTR OnReadNow(HWND dialog) {
    CloseDialog(dialog);
    SendMessageA(g_process.mainWindow.load(), WM_COMMAND, IDM_READ_MAIL, 0);
    return TRUE;
}

INT_PTR OnDestroy() {
    g_process.newMailDialogOpen.store(0);
    g_process.state.SetNewMailPending(0);
    g_process.newMailDialog.store(nullptr);
    return FALSE;
}

INT_PTR DispatchDialog(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
        case WM_INITDIALOG: return OnInitDialog(dialog);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_NEWMAIL_LATER: return OnLater(dialog);
                case IDC_NEWMAIL_READNOW: return OnReadNow(dialog);
                default: return FALSE;
            }
        case WM_DESTROY: return OnDestroy();
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK NewMailDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    try {
        return DispatchDialog(dialog, message, wParam);
    } catch (...) {
        return FALSE;
    }
}

void OnNewMail(HWND mainWindow) {
    const Settings s = SettingsSnapshot();
    if (s.GetNotifPlayWav() == 1 && s.GetNotifWav()[0] != '\0') PlaySoundFile(s.GetNotifWav(), false);
    SetTimer(mainWindow, FlashTimer, kFlashOnMs, nullptr);
    g_process.state.SetNewMailPending(1);
    g_process.state.SetFlashPhase(0);
    if (s.GetNotifShowDialog() == 1 && g_process.newMailDialogOpen.load() == 0) {
        HWND dialog = CreateDialogA(g_process.instance, IDD_NEWMAIL, mainWindow, NewMailDialogProc);
        g_process.newMailDialog.store(dialog);
    }
    if (HWND dialog = g_process.newMailDialog.load()) SetForegroundWindow(dialog);
    if (s.GetLaunchMail() == 1) SendMessageA(mainWindow, WM_COMMAND, IDM_READ_MAIL, 0);
}

void OnFlashTimer(HWND mainWindow) {
    CheckerState& state = g_process.state;
    if (state.FlashPhase() == 1 || state.NewMailPending() == 0) {
        KillTimer(mainWindow, FlashTimer);
        state.SetFlashPhase(0);
        if (state.NewMailPending() == 1) SetTimer(mainWindow, FlashTimer, kFlashOffMs, nullptr);
        return;
    }
    KillTimer(mainWindow, FlashTimer);
    state.SetFlashPhase(1);
    const Settings s = SettingsSnapshot();
    if (s.GetNotifPlayAlarm() == 1) PlaySoundFile(s.GetNotifAlarmWav(), true);
    SetTimer(mainWindow, FlashTimer, kFlashOnMs, nullptr);
}

void AcknowledgeNewMail(HWND mainWindow) {
    g_process.state.SetNewMailPending(0);
    KillTimer(mainWindow, FlashTimer);
    g_process.state.SetFlashPhase(0);
}

void LaunchMailProgram() {
    const auto command = SplitMailCommand(SettingsSnapshot().GetMailProgramFile());
    if (!command) return;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // The shell's own error box would report the failure a second time and, under Wine,
    // leave the last error at 0; the message below is the one report, with the real reason.
    info.fMask = SEE_MASK_FLAG_NO_UI;
    info.hwnd = nullptr;
    info.lpVerb = "Open";
    info.lpFile = command->program.c_str();
    info.lpParameters = command->parameters.c_str();
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) {
        char text[1024 + 64];
        std::snprintf(text, sizeof text, "Failed to launch mail program '%s' [reason = %d]", command->command.c_str(),
                      static_cast<int>(GetLastError()));
        ShowMessageBox(nullptr, text, "Mailwick", MB_OK);
    }
}

}  // namespace mailwick
