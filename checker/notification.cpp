#include "checker/notification.h"

#include <mmsystem.h>
#include <shellapi.h>

#include <cstdio>
#include <mutex>
#include <optional>
#include <utility>

#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/logic/balloon_text.h"
#include "checker/logic/check_logic.h"
#include "checker/logic/mail_command.h"
#include "checker/newmail_res.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "common/controls.h"
#include "common/dialog.h"
#include "common/message_box.h"
#include "pop3/pop3_session.h"
#include "checker/texts.h"

namespace mailwick {

#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);
#endif

namespace {

void PlaySoundFile(const char* file, bool async) {
    DWORD flags = SND_FILENAME | SND_NOWAIT;
    if (async) flags |= SND_ASYNC;
    PlaySoundA(ShippedFilePath(file).c_str(), nullptr, flags);
}

// The modeless NEWMAIL dialog. Its Later button has the id of OK, so Enter is Later;
// it has no Cancel, so Esc does nothing.
class NewMailDialog : public Dialog {
protected:
    BOOL OnInit() override {
        g_process.newMailDialogOpen.store(1);
        CentreOnScreen(Handle());
        // Greyed only when the program was started already: a value other than 1 means off.
        EnableItem(IDC_NEWMAIL_READNOW, SettingsSnapshot().GetLaunchMail() != 1);
        return TRUE;
    }

    bool OnCommand(WORD id, WORD code, HWND control) override {
        if (id == IDC_NEWMAIL_READNOW) {
            OnReadNow();
            return true;
        }
        return Dialog::OnCommand(id, code, control);
    }

    // The user reads later: a connection kept up for reading goes, unless it existed
    // before the check and such connections are to be left alone.
    void OnOK() override {
        EnableItem(IDC_NEWMAIL_LATER, false);
        const Settings s = SettingsSnapshot();
        if (ShouldHangUpOnLater(s.GetUseRAS(), s.GetRASDisconnect(), g_process.dialupWasUp.load(),
                                s.GetRASDisconExceptExist())) {
            HangUpRasEntry(s.GetRASEntry());
        }
        Close();
    }

    void OnCancel() override {}

    void OnDestroy() override {
        g_process.newMailDialogOpen.store(0);
        g_process.state.SetNewMailPending(0);
        g_process.newMailDialog.store(nullptr);
    }

private:
    void OnReadNow() {
        Close();
        SendMessageA(g_process.mainWindow.load(), WM_COMMAND, IDM_READ_MAIL, 0);
    }

    void Close() {
        g_process.state.SetNewMailPending(0);
        g_process.newMailDialogOpen.store(0);
        End(IDOK);
    }
};
static_assert(IDC_NEWMAIL_LATER == IDOK);

// At most one NEWMAIL dialog is open; later new mail is added to it.
NewMailDialog g_newMailDialog;

// Senders on their way from the check worker to the main thread. They wait here rather
// than travel as a pointer in the message, so a stray NewSendersMessage finds nothing.
// The lock is never held across a send.
std::mutex g_sendersLock;
std::vector<std::string> g_senders;

// The balloon's texts, made on the worker and shown by the handler it then sends to.
std::mutex g_balloonLock;
std::optional<BalloonTexts> g_balloon;

std::optional<BalloonTexts> TakeBalloon() {
    std::lock_guard<std::mutex> hold(g_balloonLock);
    return std::exchange(g_balloon, std::nullopt);
}

std::vector<std::string> TakeSenders() {
    std::lock_guard<std::mutex> hold(g_sendersLock);
    return std::exchange(g_senders, {});
}

void ListSenders(const std::vector<std::string>& senders) {
    const HWND dialog = g_process.newMailDialog.load();
    if (!dialog || senders.empty()) return;
    const HWND list = GetDlgItem(dialog, IDC_NEWMAIL_LIST);
    std::size_t bytes = 0;
    for (const std::string& s : senders) bytes += s.size() + 1;
    // One repaint for the batch, not one per line: thousands of senders otherwise take
    // seconds.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_INITSTORAGE, senders.size(), bytes);
    for (const std::string& s : senders) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

void PrepareNewMailBalloon(const pop3::POP3Session& session, int newCount) {
    // Only new messages have their headers fetched; the highest numbers are the newest.
    std::vector<BalloonMessage> newest;
    for (int i = session.getCount() - 1; i >= 0 && newest.size() < kBalloonMessages; --i) {
        const pop3::HeaderList* header = session.getHeader(i);
        if (!header) continue;
        const std::optional<std::string_view> from = header->findValue(pop3::HeaderFrom);
        const std::optional<std::string_view> subject = header->findValue(pop3::HeaderSubject);
        newest.push_back({from ? std::string(*from) : kUnknownSender, subject ? std::string(*subject) : ""});
    }
    std::lock_guard<std::mutex> hold(g_balloonLock);
    g_balloon = NewMailBalloon(newCount, newest);
}

void OnNewMail(HWND mainWindow) {
    const Settings s = SettingsSnapshot();
    if (s.GetNotifPlayWav() == 1 && s.GetNotifWav()[0] != '\0') PlaySoundFile(s.GetNotifWav(), false);
    SetTimer(mainWindow, FlashTimer, kFlashOnMs, nullptr);
    g_process.state.SetNewMailPending(1);
    g_process.state.SetFlashPhase(0);
    // The flashing icon may sit unseen in the overflow area; the balloon is shown anyway.
    const std::optional<BalloonTexts> balloon = TakeBalloon();
    if (balloon && s.GetNotifBalloon() == 1) ShowTrayBalloon(balloon->title, balloon->text);
    if (s.GetNotifShowDialog() == 1 && g_process.newMailDialogOpen.load() == 0) {
        HWND dialog = g_newMailDialog.Handle();
        if (!dialog) dialog = g_newMailDialog.CreateModeless(g_process.instance, IDD_NEWMAIL, mainWindow);
        g_process.newMailDialog.store(dialog);
    }
    if (HWND dialog = g_process.newMailDialog.load()) SetForegroundWindow(dialog);
    if (s.GetLaunchMail() == 1) SendMessageA(mainWindow, WM_COMMAND, IDM_READ_MAIL, 0);
}

void AddNewMailSenders(std::vector<std::string> senders) {
    const HWND main = g_process.mainWindow.load();
    if (!main || GetWindowThreadProcessId(main, nullptr) == GetCurrentThreadId()) {
        ListSenders(senders);
        return;
    }
    {
        std::lock_guard<std::mutex> hold(g_sendersLock);
        g_senders = std::move(senders);
    }
    SendMessageA(main, NewSendersMessage, 0, 0);
    TakeSenders();  // not taken when the main window went away first
}

LRESULT OnNewSendersMessage() {
    ListSenders(TakeSenders());
    return 0;
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
        std::snprintf(text, sizeof text, kLaunchFailedFormat, command->command.c_str(),
                      static_cast<int>(GetLastError()));
        ShowMessageBox(nullptr, text, kMessageCaption, MB_OK);
    }
}

}  // namespace mailwick
