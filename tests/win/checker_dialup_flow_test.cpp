// The check cycle's dial-up stages against the stand-in RAS library and Dovecot.
#include "checker/dialup.h"
#include "checker/texts.h"
#include "fixtures/fakeras_env.h"
#include "win/checker_flow_fixture.h"

namespace mailwick {
namespace {

constexpr char kEntry[] = "MyISP";

bool Called(const std::vector<std::string>& calls, const std::string& prefix) {
    for (const std::string& c : calls) {
        if (c.rfind(prefix, 0) == 0) return true;
    }
    return false;
}

class DialupFlow : public CheckerFlow {
protected:
    static void SetUpTestSuite() {
        CheckerFlow::SetUpTestSuite();
        ASSERT_EQ(LoadRasLibrary(), 1);
        g_process.state.SetRasAvailable(1);
        SetRasGoneWait({10, 100});
    }

    void SetUp() override {
        CheckerFlow::SetUp();
        UpdateSettings([](Settings& s) {
            s.SetUseRAS(1);
            s.SetRASEntry(kEntry);
            s.SetCheckRAS(0);
            s.SetRASEstab(1);
            s.SetRASDisconnect(1);
            s.SetRASDisconExceptNewMail(0);
            s.SetRASDisconExceptExist(0);
        });
        state_.entries = {{kEntry, true}};
    }

    void AddConnection() {
        fakeras::Connection c;
        c.handle = 77;
        c.name = kEntry;
        c.state = fakeras::kConnected;
        state_.connections.push_back(c);
    }
    void Write() { ras_.write(state_); }
    bool EntryUp() const {
        for (const auto& c : ras_.read().connections) {
            if (c.name == kEntry && !c.hungUp) return true;
        }
        return false;
    }
    bool LastCheckWritten() const {
        DWORD v = 0;
        return mwtest::GetRegBinary32("LastCheck", &v);
    }

    FakeRasFiles ras_;
    fakeras::State state_;
};

TEST_F(DialupFlow, WhileTheConnectionIsDownOnlyTheOfflineTimerChecks) {
    Write();
    SendMessageA(main_, WM_COMMAND, IDM_START_CHECKING, 0);
    SendMessageA(main_, WM_TIMER, OnlineTimer, 0);
    EXPECT_EQ(g_process.state.CheckIdle(), 1);
    EXPECT_FALSE(Called(ras_.calls(), "RasDialA"));
    SendMessageA(main_, WM_TIMER, OfflineTimer, 0);
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_TRUE(Called(ras_.calls(), "RasDialA"));
    SendMessageA(main_, WM_COMMAND, IDM_STOP_CHECKING, 0);
}

TEST_F(DialupFlow, OnlyAnExistingConnectionWantedAndNoneUpEndsSilently) {
    UpdateSettings([](Settings& s) { s.SetCheckRAS(1); });
    Write();
    Deliver("Ann <ann@example.org>", "waits");
    SetStatusText("before");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText(), "before");
    EXPECT_EQ(g_process.state.CheckFailed(), 0);
    EXPECT_FALSE(LastCheckWritten());
    EXPECT_EQ(mwtest::ReadFileBytes(dir_ + "\\UIDL"), "");
    const auto calls = ras_.calls();
    EXPECT_FALSE(Called(calls, "RasDialA"));
    EXPECT_FALSE(Called(calls, "RasHangUpA"));
}

TEST_F(DialupFlow, AFailedDialIsReportedAndNothingIsRecorded) {
    state_.dialResult = 678;
    Write();
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText(), kDialFailedStatus);
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_EQ(TrayIconIndex(), 3);
    EXPECT_FALSE(LastCheckWritten());
    EXPECT_TRUE(Called(ras_.calls(), "RasDialA"));
}

TEST_F(DialupFlow, TheUsersOwnConnectionIsLeftUp) {
    UpdateSettings([](Settings& s) { s.SetRASDisconExceptExist(1); });
    AddConnection();
    Write();
    Deliver("Ann <ann@example.org>", "online");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("1 new item (1) ", 0), 0u) << StatusText();
    const auto calls = ras_.calls();
    EXPECT_FALSE(Called(calls, "RasDialA"));
    EXPECT_FALSE(Called(calls, "RasHangUpA"));
    EXPECT_TRUE(EntryUp());
}

TEST_F(DialupFlow, NewMailKeepsADialledConnectionUpAndNoNewMailHangsItUp) {
    UpdateSettings([](Settings& s) { s.SetRASDisconExceptNewMail(1); });
    Write();
    Deliver("Ann <ann@example.org>", "read online");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("1 new item (1) ", 0), 0u) << StatusText();
    EXPECT_TRUE(Called(ras_.calls(), "RasDialA"));
    EXPECT_FALSE(Called(ras_.calls(), "RasHangUpA"));
    EXPECT_TRUE(EntryUp());

    AcknowledgeNewMail(main_);
    ras_.clearCalls();
    CheckNow();  // connected, nothing new: the connection goes
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(StatusText().rfind("0 new items (1) ", 0), 0u) << StatusText();
    EXPECT_FALSE(Called(ras_.calls(), "RasDialA"));
    EXPECT_TRUE(Called(ras_.calls(), "RasHangUpA"));
    EXPECT_FALSE(EntryUp());
}

TEST_F(DialupFlow, ALogonFailureAfterDiallingHangsUp) {
    Write();
    SetServer(mwtest::EnvOr("MAILWICK_DOVECOT_IP", ""), "wrong");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_NE(StatusText().find(kUnableToConnectStatus), std::string::npos) << StatusText();
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_TRUE(Called(ras_.calls(), "RasDialA"));
    EXPECT_TRUE(Called(ras_.calls(), "RasHangUpA"));
    EXPECT_FALSE(EntryUp());
}

}  // namespace
}  // namespace mailwick
