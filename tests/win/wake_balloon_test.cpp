// The new-mail balloon and the check after a wake, wired into the checker's main window:
// the balloon's record as the shell receives it, a click on it, and resume notices.
#include "win/checker_flow_fixture.h"

#include <mutex>

#include "checker/logic/balloon_text.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;
using mwtest::WaitUntil;

struct Balloon {
    DWORD size;
    std::string title;
    std::string text;
};
std::mutex g_balloonsLock;
std::vector<Balloon> g_balloons;

// Keeps the fixture's record of the icon and adds the balloons.
BOOL WINAPI RecordBalloons(DWORD message, PNOTIFYICONDATAA data) {
    if (data->uFlags & NIF_INFO) {
        std::lock_guard<std::mutex> hold(g_balloonsLock);
        g_balloons.push_back({data->cbSize, data->szInfoTitle, data->szInfo});
        return TRUE;
    }
    return RecordShellCall(message, data);
}

std::vector<Balloon> Balloons() {
    std::lock_guard<std::mutex> hold(g_balloonsLock);
    return g_balloons;
}

class WakeAndBalloon : public CheckerFlow {
protected:
    void SetUp() override {
        CheckerFlow::SetUp();
        SetShellNotifyFunction(&RecordBalloons);
        std::lock_guard<std::mutex> hold(g_balloonsLock);
        g_balloons.clear();
    }
    void TearDown() override {
        if (HWND list = g_process.mailListWindow.load()) DestroyWindow(list);
        CheckerFlow::TearDown();
        SetShellNotifyFunction(&RecordShellCall);
    }
};

TEST_F(WakeAndBalloon, NewMailShowsOneBalloonWithTheNewestFirstAndItsClickOpensTheList) {
    ASSERT_TRUE(ShellHasBalloons());  // Wine's shell is 6.0
    Deliver("Ann <ann@example.org>", "first");
    Deliver("Bob <bob@example.org>", "second");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    const std::vector<Balloon> shown = Balloons();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].size, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(shown[0].title, NewMailBalloon(2, {}).title);
    EXPECT_EQ(shown[0].text, "Bob <bob@example.org> - second\nAnn <ann@example.org> - first");
    EXPECT_EQ(g_process.state.NewMailPending(), 1);

    SendMessageA(main_, TrayNotifyMessage, TrayIconId, NIN_BALLOONUSERCLICK);
    EXPECT_EQ(g_process.listWindowOpen.load(), 1);
    EXPECT_NE(g_process.mailListWindow.load(), nullptr);
    EXPECT_EQ(g_process.state.NewMailPending(), 0);
}

TEST_F(WakeAndBalloon, TheSwitchOffShowsNoBalloon) {
    UpdateSettings([](Settings& s) { s.SetNotifBalloon(0); });
    Deliver("Ann <ann@example.org>", "quiet");
    CheckNow();
    ASSERT_TRUE(WaitIdle(30s));
    EXPECT_EQ(g_process.state.NewMailPending(), 1);  // the mail was announced
    EXPECT_TRUE(Balloons().empty());
}

// Both notices of one wake, with hour-long periods just restarted: one check, within the
// delay and a margin, and none while checking is off.
TEST_F(WakeAndBalloon, AWakeStartsOneCheckSoonOnlyWhileCheckingIsOn) {
    mwtest::SilentServer server(mwtest::TestAddress(53));
    ASSERT_TRUE(server.bound());
    pop3::setIoTimeout(2s);
    SetServer(mwtest::TestAddress(53));
    UpdateSettings([](Settings& s) {
        s.SetCheckFreqHI(3'600'000);
        s.SetCheckFreqLO(3'600'000);
    });
    mwtest::SetRegBinary32("LastCheck", static_cast<DWORD>(std::time(nullptr)));

    SendMessageA(main_, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_FALSE(KillTimer(main_, ResumeTimer)) << "checking is off";

    SendMessageA(main_, WM_COMMAND, IDM_START_CHECKING, 0);
    const auto woken = std::chrono::steady_clock::now();
    EXPECT_EQ(SendMessageA(main_, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0), TRUE);
    SendMessageA(main_, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    ASSERT_TRUE(WaitUntil([&] { return server.accepted.load() >= 1; }, 90s));
    const auto delay = std::chrono::steady_clock::now() - woken;
    EXPECT_GE(delay, std::chrono::milliseconds(kResumeCheckDelayMs) - 1s);
    EXPECT_LE(delay, 30s);
    ASSERT_TRUE(WaitIdle(30s));
    WaitUntil([] { return false; }, 3s);
    EXPECT_EQ(server.accepted.load(), 1);
    SendMessageA(main_, WM_COMMAND, IDM_STOP_CHECKING, 0);
}

}  // namespace
}  // namespace mailwick
