// The checker's main window and check cycle in this process, against a private Dovecot:
// Check Now, timers, failures, closing. Status text and tray pictures are read directly.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <thread>

#include "checker/checker_state.h"
#include "checker/mail_rows.h"
#include "checker/main_window.h"
#include "checker/notification.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "e2e/driver.h"
#include "pop3/line_connection.h"
#include "pop3/stored_list.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;
using mwtest::WaitUntil;

HICON g_lastIcon = nullptr;
BOOL WINAPI RecordShellCall(DWORD, PNOTIFYICONDATAA data) {
    g_lastIcon = data->hIcon;
    return TRUE;
}

// A server that accepts connections and never says a word.
class SilentServer {
public:
    explicit SilentServer(const char* ip) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(110);
        addr.sin_addr.s_addr = inet_addr(ip);
        bound_ = bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(listener_, 8) == 0;
        thread_ = std::thread([this] {
            for (;;) {
                SOCKET s = accept(listener_, nullptr, nullptr);
                if (s == INVALID_SOCKET) return;
                ++accepted;
                held_.push_back(s);
            }
        });
    }
    ~SilentServer() {
        closesocket(listener_);
        thread_.join();
        for (SOCKET s : held_) closesocket(s);
    }
    bool bound() const { return bound_; }
    std::atomic<int> accepted{0};

private:
    SOCKET listener_;
    bool bound_ = false;
    std::vector<SOCKET> held_;
    std::thread thread_;
};

class CheckerFlow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(1, 1), &data);
        g_process.instance = GetModuleHandleA(nullptr);
        SetShellNotifyFunction(RecordShellCall);
        ASSERT_TRUE(RegisterCheckerClasses(g_process.instance));
        main_ = CreateMainWindow(g_process.instance);
        ASSERT_NE(main_, nullptr);
        LoadTrayResources();
    }

    void SetUp() override {
        maildir_ = mwtest::WinePath(mwtest::EnvOr("MAILWICK_DOVECOT_MAILDIR", ""));
        ASSERT_FALSE(maildir_.empty());
        mwtest::EmptyMaildir(maildir_);
        mwtest::ClearSettingsKey();
        dir_ = mwtest::MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        SetCurrentDirectoryA(dir_.c_str());
        pop3::setIoTimeout(60s);

        Settings s;
        s.SetUsername("mailwick");
        s.SetPassword("secret");
        s.SetServer(mwtest::EnvOr("MAILWICK_DOVECOT_IP", ""));
        s.SetNotifPlayWav(0);
        s.SetNotifPlayAlarm(0);
        s.SetNotifShowDialog(0);
        CommitSettings(s);

        SetStatusText("");
        g_process.state.SetCheckFailed(0);
        StopCheckingMode(main_);
        AcknowledgeNewMail(main_);
    }

    void TearDown() override {
        WaitIdle(90s);
        AcknowledgeNewMail(main_);
    }

    void SetServer(const std::string& server, const std::string& password = "secret") {
        UpdateSettings([&](Settings& s) {
            s.SetServer(server);
            s.SetPassword(password);
        });
    }
    void CheckNow() { SendMessageA(main_, WM_COMMAND, IDM_CHECK_NOW, 0); }
    static bool WaitIdle(std::chrono::milliseconds timeout) {
        return WaitUntil([] { return g_process.state.CheckIdle() == 1; }, timeout);
    }
    void Deliver(const std::string& from, const std::string& subject) {
        ASSERT_TRUE(mwtest::DeliverMessage(maildir_, mwtest::MakeMessage(from, subject)));
    }
    void LoadUidl(pop3::StoredMessageList& list) const { list.loadFile(dir_ + "\\UIDL"); }

    static HWND main_;
    std::string maildir_;
    std::string dir_;
};
HWND CheckerFlow::main_ = nullptr;

const std::regex kScanStatus(R"((\d+) new items? \((\d+)\) [A-Z][a-z]{2} [A-Z][a-z]{2} \d\d, \d{4} \d\d:\d\d)");

TEST_F(CheckerFlow, CheckNowWithNewMailRecordsTheScanAndTheNextCheckClearsTheFlags) {
    Deliver("Ann <ann@example.org>", "first");
    Deliver("Bob <bob@example.org>", "second");
    const auto before = std::time(nullptr);
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));

    std::smatch m;
    const std::string status = StatusText();
    ASSERT_TRUE(std::regex_match(status, m, kScanStatus)) << status;
    EXPECT_EQ(m[1], "2");
    EXPECT_EQ(m[2], "2");
    EXPECT_EQ(status.rfind("2 new items (2) ", 0), 0u);
    std::string stored;
    ASSERT_TRUE(mwtest::GetRegString("LastStatus", &stored));
    EXPECT_EQ(stored, status);
    DWORD lastCheck = 0;
    ASSERT_TRUE(mwtest::GetRegBinary32("LastCheck", &lastCheck));
    EXPECT_GE(static_cast<std::time_t>(lastCheck), before);
    EXPECT_LE(static_cast<std::time_t>(lastCheck), std::time(nullptr));
    EXPECT_EQ(g_process.state.CheckFailed(), 0);
    EXPECT_EQ(g_process.state.NewMailPending(), 1);

    {
        pop3::StoredMessageList list;
        LoadUidl(list);
        ASSERT_EQ(list.length(), 2u);
        EXPECT_EQ(list.newFlagAt(0), 1);
        EXPECT_EQ(list.newFlagAt(1), 1);
        EXPECT_EQ(MailRows().size(), 2u);
    }

    AcknowledgeNewMail(main_);
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("0 new items (2) ", 0), 0u) << StatusText();
    pop3::StoredMessageList list;
    LoadUidl(list);
    ASSERT_EQ(list.length(), 2u);
    EXPECT_EQ(list.newFlagAt(0), 0);
    EXPECT_EQ(list.newFlagAt(1), 0);
    EXPECT_EQ(g_process.state.NewMailPending(), 0);
}

TEST_F(CheckerFlow, OneNewMessageIsOneItem) {
    Deliver("Ann <ann@example.org>", "only");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("1 new item (1) ", 0), 0u) << StatusText();
}

// A failed logon leaves the last scan's records alone and shows the failure picture, even
// with checking mode off.
void ExpectFailedCheckLeavesRecords(CheckerFlow* test, const std::string& dir) {
    (void)test;
    const std::string status = StatusText();
    EXPECT_TRUE(std::regex_match(status, std::regex(R"([A-Z][a-z]{2} [A-Z][a-z]{2} \d\d, \d{4} \d\d:\d\d : Unable to connect to server)")))
        << status;
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_EQ(TrayIconIndex(), 3);
    EXPECT_EQ(g_lastIcon, TrayIconPicture(3));
    std::string stored;
    ASSERT_TRUE(mwtest::GetRegString("LastStatus", &stored));
    EXPECT_EQ(stored, "kept");
    DWORD lastCheck = 0;
    ASSERT_TRUE(mwtest::GetRegBinary32("LastCheck", &lastCheck));
    EXPECT_EQ(lastCheck, 12345u);
    EXPECT_EQ(mwtest::ReadFileBytes(dir + "\\UIDL"), std::string("\0\0\0\0", 4));
}

TEST_F(CheckerFlow, WrongPasswordAndStoppedServerFailWithoutTouchingTheRecords) {
    Deliver("Ann <ann@example.org>", "unseen");
    mwtest::SetRegString("LastStatus", "kept");
    mwtest::SetRegBinary32("LastCheck", 12345);
    ASSERT_TRUE(mwtest::WriteFileBytes(dir_ + "\\UIDL", std::string("\0\0\0\0", 4)));

    SetServer(mwtest::EnvOr("MAILWICK_DOVECOT_IP", ""), "wrong");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    ExpectFailedCheckLeavesRecords(this, dir_);

    SetServer("127.0.0.49");  // nothing listens there
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    ExpectFailedCheckLeavesRecords(this, dir_);
}

TEST_F(CheckerFlow, AnIncompleteAccountIsNotChecked) {
    UpdateSettings([](Settings& s) { s.SetUsername(""); });
    CheckNow();
    EXPECT_EQ(g_process.state.CheckIdle(), 1);
    EXPECT_EQ(StatusText(), "Account details not valid");
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
}

TEST_F(CheckerFlow, CheckNowOutsideCheckingModeCreatesNoTimer) {
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_FALSE(KillTimer(main_, OfflineTimer));
    EXPECT_FALSE(KillTimer(main_, OnlineTimer));
    EXPECT_EQ(TrayIconIndex(), 4);  // stopped picture once the check is over
}

TEST_F(CheckerFlow, CheckingModeRunsBothTimersAndStopEndsThem) {
    SendMessageA(main_, WM_COMMAND, IDM_START_CHECKING, 0);
    EXPECT_EQ(g_process.state.CheckingOn(), 1);
    EXPECT_EQ(TrayIconIndex(), 0);
    SendMessageA(main_, WM_COMMAND, IDM_STOP_CHECKING, 0);
    EXPECT_EQ(g_process.state.CheckingOn(), 0);
    EXPECT_FALSE(KillTimer(main_, OfflineTimer));
    EXPECT_FALSE(KillTimer(main_, OnlineTimer));
}

TEST_F(CheckerFlow, TimerThreeIsIgnored) {
    Deliver("Ann <ann@example.org>", "not fetched");
    SetStatusText("before");
    EXPECT_EQ(SendMessageA(main_, WM_TIMER, 3, 0), 0);
    EXPECT_EQ(g_process.state.CheckIdle(), 1);
    EXPECT_EQ(StatusText(), "before");
}

TEST_F(CheckerFlow, ASilentServerEndsTheCheckWithinTheBoundAndCheckNowDuringItStartsNothing) {
    SilentServer server("127.0.0.48");
    ASSERT_TRUE(server.bound());
    pop3::setIoTimeout(3s);
    SetServer("127.0.0.48");

    CheckNow();
    EXPECT_EQ(g_process.state.CheckIdle(), 0);
    EXPECT_EQ(TrayIconIndex(), 1);
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 1; }, 10s));
    CheckNow();  // a check runs: nothing new starts
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(server.accepted.load(), 1);

    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_NE(StatusText().find("Unable to connect to server"), std::string::npos);

    CheckNow();  // the next check tries again
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 2; }, 10s));
    ASSERT_TRUE(WaitIdle(30s));
}

// Runs last: it destroys the main window.
TEST_F(CheckerFlow, ZZExitDuringACheckWaitsAtMostTenSeconds) {
    SilentServer server("127.0.0.48");
    ASSERT_TRUE(server.bound());
    SetServer("127.0.0.48");
    CheckNow();
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 1; }, 10s));

    const auto start = std::chrono::steady_clock::now();
    SendMessageA(main_, WM_COMMAND, IDM_EXIT, 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_EQ(StatusText(), "Trying to close connection gracefully...");
    EXPECT_GE(waited, 9s);
    EXPECT_LT(waited, 15s);
    EXPECT_EQ(g_process.state.CheckingOn(), 0);
    pop3::setIoTimeout(1s);  // let the abandoned check end before the program does
    WaitIdle(30s);
}

}  // namespace
}  // namespace mailwick
