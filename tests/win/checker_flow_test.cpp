// The check flow in one process against Dovecot: Check Now, timers, failures, closing.
#include <regex>

#include "win/checker_flow_fixture.h"

#include <commctrl.h>

#include "checker/check_cycle.h"
#include "checker/texts.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;
using mwtest::WaitUntil;

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
        // No mail list is open: no rows are made for it.
        EXPECT_TRUE(MailRows().empty());
    }
    // From here on a mail list is open.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    const HWND view = CreateWindowExA(0, "SysListView32", "", LVS_REPORT | LVS_OWNERDATA, 0, 0, 200, 100,
                                      nullptr, nullptr, g_process.instance, nullptr);
    ASSERT_NE(view, nullptr);
    g_process.listView.store(view);
    struct CloseList {
        HWND view;
        ~CloseList() {
            g_process.listView.store(nullptr);
            ClearMailRows();
            DestroyWindow(view);
        }
    } closeList{view};

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

    // Nothing changed since: the file is left alone, and the rows are those of the check.
    auto lastWrite = [this] {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA((dir_ + "\\UIDL").c_str(), GetFileExInfoStandard, &data);
        return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    };
    const ULONGLONG written = lastWrite();
    Sleep(50);
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("0 new items (2) ", 0), 0u) << StatusText();
    EXPECT_EQ(lastWrite(), written);
    ASSERT_EQ(MailRows().size(), 2u);
    EXPECT_EQ(MailRows()[0].from, "Ann <ann@example.org>");
    EXPECT_EQ(MailRows()[1].isNew, 0);
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
    EXPECT_EQ(mwtest::LastShellCall().data.hIcon, TrayIconPicture(3));
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

    SetServer(mwtest::TestAddress(49));  // nothing listens there
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    ExpectFailedCheckLeavesRecords(this, dir_);
}

TEST_F(CheckerFlow, AnIncompleteAccountIsNotChecked) {
    UpdateSettings([](Settings& s) { s.SetUsername(""); });
    CheckNow();
    EXPECT_EQ(g_process.state.CheckIdle(), 1);
    EXPECT_EQ(StatusText(), kAccountInvalidStatus);
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

HANDLE WINAPI NoThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

TEST_F(CheckerFlow, AWorkerThatCannotStartLeavesNoCheckRunning) {
    ASSERT_TRUE(StopCheckWorker(10'000));  // else the kept one would run the check
    const CreateThreadFunction real = SetCreateThreadFunction(&NoThread);
    CheckNow();
    SetCreateThreadFunction(real);
    EXPECT_EQ(g_process.state.CheckIdle(), 1);  // else no check would ever start again
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
}

std::atomic<int> g_threadsMade{0};
HANDLE g_madeThread = nullptr;
HANDLE WINAPI CountedThread(LPSECURITY_ATTRIBUTES security, SIZE_T stack, LPTHREAD_START_ROUTINE start, LPVOID arg,
                            DWORD flags, LPDWORD id) {
    HANDLE thread = CreateThread(security, stack, start, arg, flags, id);
    if (thread && ++g_threadsMade == 1)
        DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &g_madeThread, SYNCHRONIZE, FALSE, 0);
    return thread;
}

// One worker runs check after check: a failed check must not end it or leave it unable to
// take the next, and the stop at exit must end it rather than leave it waiting.
TEST_F(CheckerFlow, TheKeptWorkerRunsTheCheckAfterAFailedOneAndEndsAtTheStop) {
    ASSERT_TRUE(StopCheckWorker(10'000));
    const CreateThreadFunction real = SetCreateThreadFunction(&CountedThread);
    SetServer(mwtest::TestAddress(49));  // nothing listens there
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.CheckFailed(), 1);

    Deliver("Ann <ann@example.org>", "after the failure");
    SetServer(mwtest::EnvOr("MAILWICK_DOVECOT_IP", ""));
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("1 new item (1) ", 0), 0u) << StatusText();
    EXPECT_EQ(g_threadsMade.load(), 1);
    ASSERT_NE(g_madeThread, nullptr);
    EXPECT_EQ(WaitForSingleObject(g_madeThread, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // kept

    EXPECT_TRUE(StopCheckWorker(10'000));
    EXPECT_EQ(WaitForSingleObject(g_madeThread, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    SetCreateThreadFunction(real);
    CloseHandle(g_madeThread);
}

TEST_F(CheckerFlow, CheckNowClearsAnEarlierFailure) {
    g_process.state.SetCheckFailed(1);
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.CheckFailed(), 0);
    EXPECT_EQ(StatusText().rfind("0 new items (0) ", 0), 0u) << StatusText();
}

TEST_F(CheckerFlow, TheFirstTimerPeriodIsWhatIsLeftSinceTheLastCheck) {
    // Two seconds are left of a one-minute period: a check comes long before a minute.
    UpdateSettings([](Settings& s) { s.SetCheckFreqHI(60'000); });
    mwtest::SetRegBinary32("LastCheck", static_cast<DWORD>(std::time(nullptr) - 58));
    mwtest::SetRegString("LastStatus", "before");
    SendMessageA(main_, WM_COMMAND, IDM_START_CHECKING, 0);
    std::string status;
    EXPECT_TRUE(WaitUntil([&] { return mwtest::GetRegString("LastStatus", &status) && status != "before"; }, 20s));
    SendMessageA(main_, WM_COMMAND, IDM_STOP_CHECKING, 0);
}

TEST_F(CheckerFlow, TimerThreeIsIgnored) {
    Deliver("Ann <ann@example.org>", "not fetched");
    SetStatusText("before");
    EXPECT_EQ(SendMessageA(main_, WM_TIMER, 3, 0), 0);
    EXPECT_EQ(g_process.state.CheckIdle(), 1);
    EXPECT_EQ(StatusText(), "before");
}

TEST_F(CheckerFlow, ASilentServerEndsTheCheckWithinTheBoundAndCheckNowDuringItStartsNothing) {
    mwtest::SilentServer server(mwtest::TestAddress(48));
    ASSERT_TRUE(server.bound());
    pop3::setIoTimeout(3s);
    SetServer(mwtest::TestAddress(48));

    CheckNow();
    EXPECT_EQ(g_process.state.CheckIdle(), 0);
    EXPECT_EQ(TrayIconIndex(), 1);
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 1; }, 10s));
    CheckNow();  // a check runs: nothing new starts
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(server.accepted.load(), 1);

    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_NE(StatusText().find(kUnableToConnectStatus), std::string::npos);
}

TEST_F(CheckerFlow, AServerThatStopsMidListingFailsTheCheckAndTheNextTimerChecksAgain) {
    mwtest::SilentServer server(mwtest::TestAddress(47), {"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 2 320\r\n", "+OK\r\n1 160\r\n"});
    ASSERT_TRUE(server.bound());
    pop3::setIoTimeout(2s);
    SetServer(mwtest::TestAddress(47));
    mwtest::SetRegString("LastStatus", "kept");

    SendMessageA(main_, WM_COMMAND, IDM_START_CHECKING, 0);
    SendMessageA(main_, WM_TIMER, OnlineTimer, 0);
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 1; }, 10s));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_EQ(TrayIconIndex(), 3);
    EXPECT_NE(StatusText().find(kUnableToConnectStatus), std::string::npos);
    std::string stored;
    ASSERT_TRUE(mwtest::GetRegString("LastStatus", &stored));
    EXPECT_EQ(stored, "kept");

    SendMessageA(main_, WM_TIMER, OnlineTimer, 0);  // the next expiry tries again
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 2; }, 10s));
    ASSERT_TRUE(WaitIdle(30s));
    SendMessageA(main_, WM_COMMAND, IDM_STOP_CHECKING, 0);
}

TEST_F(CheckerFlow, ARefusedHeaderFetchFailsTheCheck) {
    // A server without TOP: not "0 new items" for ever, but a failed check each time.
    mwtest::SilentServer server(mwtest::TestAddress(51), {"+OK ready\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 100\r\n",
                                       "+OK\r\n1 100\r\n.\r\n", "+OK\r\n1 uid-1\r\n.\r\n",
                                       "-ERR command not offered\r\n", "+OK bye\r\n"});
    ASSERT_TRUE(server.bound());
    SetServer(mwtest::TestAddress(51));
    mwtest::SetRegString("LastStatus", "kept");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_NE(StatusText().find(kUnableToConnectStatus), std::string::npos) << StatusText();
    std::string stored;
    ASSERT_TRUE(mwtest::GetRegString("LastStatus", &stored));
    EXPECT_EQ(stored, "kept");
    DWORD lastCheck = 0;
    EXPECT_FALSE(mwtest::GetRegBinary32("LastCheck", &lastCheck));
}

TEST_F(CheckerFlow, AListFileHeldByAnotherProgramIsReportedAndItsMailNotAnnouncedAgain) {
    Deliver("Ann <ann@example.org>", "held");
    const std::string uidl = dir_ + "\\UIDL";
    ASSERT_TRUE(mwtest::WriteFileBytes(uidl, std::string(4, '\0')));
    // Shared for reading only: the file can be neither replaced nor written.
    HANDLE held = CreateFileA(uidl.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    CloseHandle(held);
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_NE(StatusText().find("Unable to save the message list"), std::string::npos) << StatusText();
    EXPECT_EQ(g_process.state.NewMailPending(), 1);  // announced once
    DWORD lastCheck = 0;
    EXPECT_FALSE(mwtest::GetRegBinary32("LastCheck", &lastCheck));

    AcknowledgeNewMail(main_);
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("0 new items (1) ", 0), 0u) << StatusText();
    EXPECT_EQ(g_process.state.NewMailPending(), 0);
}

TEST_F(CheckerFlow, ExitDuringACheckWaitsAtMostTenSeconds) {
    mwtest::SilentServer server(mwtest::TestAddress(48));
    ASSERT_TRUE(server.bound());
    SetServer(mwtest::TestAddress(48));
    CheckNow();
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() == 1; }, 10s));

    const auto start = std::chrono::steady_clock::now();
    SendMessageA(main_, WM_COMMAND, IDM_EXIT, 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_EQ(mwtest::LastShellCall().message, static_cast<DWORD>(NIM_DELETE));  // no icon left behind
    EXPECT_EQ(StatusText(), "Trying to close connection gracefully...");
    EXPECT_GE(waited, 9s);
    EXPECT_LT(waited, 15s);
    EXPECT_EQ(g_process.state.CheckingOn(), 0);
    pop3::setIoTimeout(1s);  // let the abandoned check end before the program does
    WaitIdle(30s);
}

}  // namespace
}  // namespace mailwick
