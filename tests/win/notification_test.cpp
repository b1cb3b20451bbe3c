// New mail in this process, against a private Dovecot: the NEWMAIL dialog and its list,
// the flashing icon and its acknowledgement, starting the mail program, and the Later
// button's hang-up through the stand-in RAS library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <winsock2.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/main_window.h"
#include "checker/newmail_res.h"
#include "checker/notification.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/texts.h"
#include "checker/tray.h"
#include "common/message_box.h"
#include "e2e/driver.h"
#include "fixtures/fakeras_env.h"
#include "fixtures/message_recorder.h"
#include "pop3/line_connection.h"
#include "win/checker_flow_fixture.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;
using mwtest::WaitUntil;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using Clock = std::chrono::steady_clock;

// The moments the icon switched to or from the new-mail picture, from the first switch to it.
std::vector<Clock::time_point> FlashSwitches() {
    const HICON newMail = TrayIconPicture(2);
    std::vector<Clock::time_point> switches;
    bool showing = false;
    for (const mwtest::ShellCall& c : mwtest::ShellCalls()) {
        const bool isNewMail = c.data.hIcon == newMail;
        if (isNewMail != showing) switches.push_back(c.at);
        showing = isNewMail;
    }
    return switches;
}

std::string TextOf(HWND window) { return mwtest::ToNarrow(mwtest::WindowTextOf(window)); }

std::vector<std::string> Lines(HWND dialog) {
    std::vector<std::string> lines;
    for (const auto& line : mwtest::ListBoxLines(GetDlgItem(dialog, IDC_NEWMAIL_LIST))) lines.push_back(mwtest::ToNarrow(line));
    return lines;
}

BOOL CALLBACK CountNewMailWindow(HWND window, LPARAM count) {
    if (TextOf(window) == "Mailwick - New Mail!") ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int NewMailWindowCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountNewMailWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM texts) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) reinterpret_cast<std::vector<std::string>*>(texts)->push_back(TextOf(child));
    return TRUE;
}

class Notification : public CheckerFlow {
protected:
    static void SetUpTestSuite() {
        static bool ready = false;
        if (ready) return;
        ready = true;
        CheckerFlow::SetUpTestSuite();
        ASSERT_EQ(LoadRasLibrary(), 1);
        g_process.state.SetRasAvailable(1);
        SetRasGoneWait({1, 300});
    }

    void SetUp() override {
        CheckerFlow::SetUp();
        recorderLog_ = dir_ + "\\recorder.log";
        recorderVariable_ = std::make_unique<mwtest::ScopedEnv>("MAILWICK_RECORDER_LOG", recorderLog_);
        // All four ways of telling off; each test turns on what it looks at.
        UpdateSettings([](Settings& s) { s.SetLaunchMail(0); });
        mwtest::ClearShellCalls();
    }

    void TearDown() override {
        EXPECT_TRUE(WaitIdle(90s));
        if (HWND dialog = Dialog()) DestroyWindow(dialog);
        CheckerFlow::TearDown();
    }

    static HWND Dialog() { return g_process.newMailDialog.load(); }
    void Change(const std::function<void(Settings&)>& edit) { UpdateSettings(edit); }
    void NewMail() { SendMessageA(main_, NewMailMessage, 0, 0); }
    void CheckAndWait() {
        CheckNow();
        ASSERT_TRUE(WaitIdle(30s));
        EXPECT_EQ(g_process.state.CheckFailed(), 0);
    }
    void Click(int id) {
        const HWND dialog = Dialog();
        ASSERT_NE(dialog, nullptr);
        SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    }
    // The command lines the stand-in mail program was started with, once it has run.
    std::vector<std::string> RecorderRuns(std::size_t expected) const {
        std::vector<std::string> runs;
        WaitUntil(
            [&] {
                runs.clear();
                const std::string text = mwtest::ReadFileBytes(recorderLog_);
                for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
                    runs.push_back(text.substr(at, end - at));
                return runs.size() >= expected;
            },
            expected ? 20s : 2s);
        return runs;
    }
    static std::string RecorderPath() {
        return mwtest::WinePath(mwtest::EnvOr("MAILWICK_BINARY_DIR", "")) + "\\tests-bin\\recorder.exe";
    }
    static void ExpectAcknowledged() {
        EXPECT_EQ(g_process.state.NewMailPending(), 0);
        EXPECT_EQ(g_process.newMailDialogOpen.load(), 0);
        EXPECT_EQ(Dialog(), nullptr);
        EXPECT_NE(CurrentTrayIcon(), TrayIconPicture(2));
    }

    std::string recorderLog_;
    std::unique_ptr<mwtest::ScopedEnv> recorderVariable_;
    mwtest::MessageRecorder boxes_;
};

TEST_F(Notification, TwoChecksWhileTheDialogStaysOpenListBothInArrivalOrder) {
    Change([](Settings& s) { s.SetNotifShowDialog(1); });
    Deliver("Zoe <zoe@example.org>", "first");
    Deliver("Adam <adam@example.org>", "second");
    CheckAndWait();
    const HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_THAT(Lines(dialog), ElementsAre("Zoe <zoe@example.org>", "Adam <adam@example.org>"));

    // A check without new mail leaves the dialog alone.
    CheckAndWait();
    EXPECT_EQ(Lines(dialog).size(), 2u);

    Deliver("Mia <mia@example.org>", "third");
    Deliver("", "no sender");
    CheckAndWait();
    EXPECT_EQ(Dialog(), dialog);
    EXPECT_EQ(NewMailWindowCount(), 1);
    EXPECT_THAT(Lines(dialog), ElementsAre("Zoe <zoe@example.org>", "Adam <adam@example.org>",
                                           "Mia <mia@example.org>", kUnknownSender));
    EXPECT_EQ(g_process.state.NewMailPending(), 1);
    EXPECT_THAT(RecorderRuns(0), IsEmpty());
}

TEST_F(Notification, TheDialogIsATopmostCentredBoxWithoutSystemMenu) {
    Change([](Settings& s) { s.SetNotifShowDialog(1); });
    NewMail();
    const HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(g_process.newMailDialogOpen.load(), 1);
    EXPECT_EQ(TextOf(dialog), "Mailwick - New Mail!");
    EXPECT_TRUE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main_);
    EXPECT_EQ(GetForegroundWindow(), dialog);

    std::vector<std::string> statics;
    EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&statics));
    EXPECT_THAT(statics, ElementsAre("YOU HAVE NEW MAIL"));
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_NEWMAIL_READNOW)), "Read Now");
    EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_NEWMAIL_LATER)), "Later");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_NEWMAIL_READNOW)));
    // Lines keep the order they were added in.
    const HWND list = GetDlgItem(dialog, IDC_NEWMAIL_LIST);
    EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & LBS_SORT);

    RECT r;
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_GT(width, 0);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

    // A second notification reuses it.
    NewMail();
    EXPECT_EQ(Dialog(), dialog);
    EXPECT_EQ(NewMailWindowCount(), 1);

    // Only 1 switches the program start on, so only 1 greys Read Now.
    DestroyWindow(dialog);
    Change([](Settings& s) { s.SetLaunchMail(2); });
    NewMail();
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(Dialog(), IDC_NEWMAIL_READNOW)));
    EXPECT_THAT(RecorderRuns(0), IsEmpty());
}

TEST_F(Notification, WithEveryOptionOffTheIconStillFlashesUntilClicked) {
    Deliver("Ann <ann@example.org>", "flash");
    CheckAndWait();
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_EQ(g_process.state.NewMailPending(), 1);

    // 2 s of the state picture, 2 s of the new-mail picture, 1 s of the state picture, ...
    ASSERT_TRUE(WaitUntil([] { return FlashSwitches().size() >= 3; }, 10s));
    const auto switches = FlashSwitches();
    // The notification sets the flash timer just before it marks the mail pending.
    Clock::time_point start{};
    for (const mwtest::ShellCall& c : mwtest::ShellCalls()) {
        if (c.newMailPending == 1) {
            start = c.at;
            break;
        }
    }
    const auto ms = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    EXPECT_GE(ms(switches[0] - start), 1500);
    EXPECT_LE(ms(switches[0] - start), 3000);
    EXPECT_GE(ms(switches[1] - switches[0]), 1500);
    EXPECT_LE(ms(switches[1] - switches[0]), 3000);
    EXPECT_GE(ms(switches[2] - switches[1]), 600);
    EXPECT_LE(ms(switches[2] - switches[1]), 1800);
    EXPECT_EQ(CurrentTrayIcon(), TrayIconPicture(2));
    EXPECT_EQ(g_process.state.FlashPhase(), 1);

    SendMessageA(main_, TrayNotifyMessage, TrayIconId, WM_LBUTTONDOWN);
    EXPECT_EQ(g_process.state.NewMailPending(), 0);
    EXPECT_EQ(g_process.state.FlashPhase(), 0);
    EXPECT_EQ(CurrentTrayIcon(), TrayIconPicture(4));
    EXPECT_FALSE(KillTimer(main_, FlashTimer));  // the click stopped it
    const std::size_t seen = FlashSwitches().size();
    WaitUntil([] { return false; }, 3500ms);
    EXPECT_EQ(FlashSwitches().size(), seen);
    EXPECT_THAT(boxes_.Messages(), IsEmpty());
    EXPECT_THAT(RecorderRuns(0), IsEmpty());
}

TEST_F(Notification, LaterReadNowAndDestructionEachAcknowledge) {
    Change([](Settings& s) {
        s.SetNotifShowDialog(1);
        s.SetMailProgramFile(RecorderPath() + " /read");
    });

    NewMail();
    EXPECT_EQ(g_process.state.NewMailPending(), 1);
    Click(IDC_NEWMAIL_LATER);
    ExpectAcknowledged();
    EXPECT_THAT(RecorderRuns(0), IsEmpty());

    NewMail();
    ASSERT_TRUE(WaitUntil([] { return g_process.state.FlashPhase() == 1; }, 5s));
    EXPECT_EQ(CurrentTrayIcon(), TrayIconPicture(2));
    Click(IDC_NEWMAIL_READNOW);
    ExpectAcknowledged();
    const auto runs = RecorderRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_THAT(runs[0], HasSubstr(" /READ"));

    NewMail();
    const HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    DestroyWindow(dialog);
    ExpectAcknowledged();
    // Gone means a new one next time.
    NewMail();
    EXPECT_NE(Dialog(), nullptr);
    EXPECT_EQ(NewMailWindowCount(), 1);
}

TEST_F(Notification, LaunchMailStartsTheProgramAndGreysReadNow) {
    // Beside the test programs, in a folder whose name has a blank, quoted, with a parameter.
    const std::string folder = dir_ + "\\Mail Program";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string program = folder + "\\Reader.exe";
    ASSERT_TRUE(CopyFileA(RecorderPath().c_str(), program.c_str(), FALSE));
    Change([&](Settings& s) {
        s.SetNotifShowDialog(1);
        s.SetLaunchMail(1);
        s.SetMailProgramFile("\"" + program + "\" -x");
    });
    Deliver("Ann <ann@example.org>", "launch");
    CheckAndWait();

    const auto runs = RecorderRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    std::string upper = program;
    CharUpperA(upper.data());
    EXPECT_EQ(runs[0], "\"" + upper + "\" -X");
    const HWND dialog = Dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_NEWMAIL_READNOW)));
    EXPECT_THAT(Lines(dialog), ElementsAre("Ann <ann@example.org>"));
    EXPECT_THAT(boxes_.Messages(), IsEmpty());

    // The tray menu's Read mail starts it again.
    SendMessageA(main_, WM_COMMAND, IDM_READ_MAIL, 0);
    EXPECT_EQ(RecorderRuns(2).size(), 2u);
}

std::string LaunchFailedText(const std::string& command, int reason) {
    char text[1024 + 64];
    std::snprintf(text, sizeof text, kLaunchFailedFormat, command.c_str(), reason);
    return text;
}

TEST_F(Notification, AFailedStartIsReportedAndACommandWithoutExeStartsNothing) {
    Change([](Settings& s) { s.SetMailProgramFile("c:\\no such folder\\mail.exe /a"); });
    SendMessageA(main_, WM_COMMAND, IDM_READ_MAIL, 0);
    ASSERT_EQ(boxes_.Messages().size(), 1u);
    EXPECT_EQ(boxes_.Messages()[0].owner, nullptr);
    EXPECT_EQ(boxes_.Messages()[0].text, LaunchFailedText("C:\\NO SUCH FOLDER\\MAIL.EXE", ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(boxes_.Messages()[0].caption, kMessageCaption);
    EXPECT_EQ(boxes_.Messages()[0].type, static_cast<UINT>(MB_OK));

    // The quote the split leaves at the front is part of the reported command.
    boxes_.Clear();
    Change([&](Settings& s) { s.SetMailProgramFile("\"" + dir_ + "\\missing.exe\""); });
    SendMessageA(main_, WM_COMMAND, IDM_READ_MAIL, 0);
    ASSERT_EQ(boxes_.Messages().size(), 1u);
    std::string upper = dir_;
    CharUpperA(upper.data());
    EXPECT_EQ(boxes_.Messages()[0].text, LaunchFailedText("\"" + upper + "\\MISSING.EXE", ERROR_FILE_NOT_FOUND));

    boxes_.Clear();
    for (const char* command : {"", "c:\\mail\\start.bat", "mail"}) {
        Change([&](Settings& s) { s.SetMailProgramFile(command); });
        SendMessageA(main_, WM_COMMAND, IDM_READ_MAIL, 0);
    }
    EXPECT_THAT(boxes_.Messages(), IsEmpty());
}

// Later with hang-up wanted: a connection the check dialled goes, one that was up before
// the check stays when such connections are to be left alone.
class NotificationDialup : public Notification {
protected:
    void SetUp() override {
        Notification::SetUp();
        Change([](Settings& s) {
            s.SetNotifShowDialog(1);
            s.SetUseRAS(1);
            s.SetRASEntry("Office");
            s.SetRASEstab(1);
            s.SetCheckRAS(0);
            s.SetRASDisconnect(1);
            s.SetRASDisconExceptNewMail(1);
            s.SetRASDisconExceptExist(1);
        });
    }
    void StartWith(bool connected) {
        fakeras::State state;
        state.entries.push_back({"Office", true});
        if (connected) {
            fakeras::Connection c;
            c.handle = 7;
            c.name = "Office";
            state.connections.push_back(c);
        }
        ras_.write(state);
    }
    std::vector<std::string> HangUps() const {
        std::vector<std::string> hangUps;
        for (const std::string& call : ras_.calls())
            if (call.rfind("RasHangUpA", 0) == 0) hangUps.push_back(call);
        return hangUps;
    }
    bool StillUp() const {
        const fakeras::State state = ras_.read();
        return state.connections.size() == 1 && !state.connections[0].hungUp;
    }

    FakeRasFiles ras_;
};

TEST_F(NotificationDialup, LaterHangsUpTheConnectionTheCheckDialled) {
    StartWith(false);
    Deliver("Ann <ann@example.org>", "dialled");
    CheckAndWait();
    ASSERT_TRUE(StillUp()) << "kept up for reading the new mail";
    EXPECT_EQ(g_process.dialupWasUp.load(), 0);
    EXPECT_THAT(HangUps(), IsEmpty());

    Click(IDC_NEWMAIL_LATER);
    ExpectAcknowledged();
    EXPECT_THAT(HangUps(), ElementsAre(HasSubstr("handle=1000 -> 0")));
    EXPECT_FALSE(StillUp());
}

TEST_F(NotificationDialup, LaterLeavesAConnectionThatWasUpBeforeTheCheck) {
    StartWith(true);
    Deliver("Ann <ann@example.org>", "existing");
    CheckAndWait();
    EXPECT_EQ(g_process.dialupWasUp.load(), 1);
    Click(IDC_NEWMAIL_LATER);
    ExpectAcknowledged();
    EXPECT_THAT(HangUps(), IsEmpty());
    EXPECT_TRUE(StillUp());
}

TEST_F(NotificationDialup, LaterHangsUpAnEarlierConnectionUnlessToldToLeaveIt) {
    Change([](Settings& s) { s.SetRASDisconExceptExist(0); });
    StartWith(true);
    Deliver("Ann <ann@example.org>", "existing");
    CheckAndWait();
    // The check itself kept it up only for the new mail.
    ASSERT_TRUE(StillUp());
    Click(IDC_NEWMAIL_LATER);
    EXPECT_THAT(HangUps(), ElementsAre(HasSubstr("handle=7 -> 0")));
    EXPECT_FALSE(StillUp());
}

// The generated sounds, played where there may be no audio device: the notification and
// the flashing carry on, and a missing file is not reported.
TEST_F(Notification, SoundsPlayWithoutHoldingUpTheNotification) {
    const std::string bin = mwtest::WinePath(mwtest::EnvOr("MAILWICK_BINARY_DIR", "")) + "\\bin\\";
    ASSERT_FALSE(mwtest::ReadFileBytes(bin + "newmail.wav").empty());
    ASSERT_FALSE(mwtest::ReadFileBytes(bin + "alarm.wav").empty());
    Change([&](Settings& s) {
        s.SetNotifPlayWav(1);
        s.SetNotifWav(bin + "newmail.wav");
        s.SetNotifPlayAlarm(1);
        s.SetNotifAlarmWav(bin + "alarm.wav");
    });
    NewMail();
    EXPECT_EQ(g_process.state.NewMailPending(), 1);
    ASSERT_TRUE(WaitUntil([] { return FlashSwitches().size() >= 3; }, 10s));

    Change([&](Settings& s) {
        s.SetNotifWav(dir_ + "\\gone.wav");
        s.SetNotifAlarmWav(dir_ + "\\gone.wav");
    });
    mwtest::ClearShellCalls();
    NewMail();
    ASSERT_TRUE(WaitUntil([] { return FlashSwitches().size() >= 1; }, 6s));
    SendMessageA(main_, TrayNotifyMessage, TrayIconId, WM_LBUTTONDOWN);
    EXPECT_EQ(g_process.state.NewMailPending(), 0);
    EXPECT_THAT(boxes_.Messages(), IsEmpty());
}

}  // namespace
}  // namespace mailwick
