// Exit while a check runs with the mail list window open: the worker waits on the main
// window for its status text and rows, so the close wait must serve it rather than sleep.
#include "checker_flow_fixture.h"

namespace mailwick {
namespace {

TEST_F(CheckerFlow, ExitDuringACheckWithTheListOpenEndsAtOnceWithTheNewMailSaved) {
    Deliver("Ann <ann@example.org>", "saved at exit");
    SendMessageA(main_, WM_COMMAND, IDM_OPEN, 0);
    HWND list = g_process.mailListWindow.load();
    ASSERT_NE(list, nullptr);

    CheckNow();
    const auto start = std::chrono::steady_clock::now();
    SendMessageA(main_, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(IsWindow(main_));
    EXPECT_EQ(g_process.state.CheckIdle(), 1);
    EXPECT_EQ(g_process.state.NewMailPending(), 0);  // stored, not announced on the way out
    pop3::StoredMessageList saved;
    LoadUidl(saved);
    EXPECT_EQ(saved.length(), 1u);
    if (IsWindow(list)) DestroyWindow(list);
}

}  // namespace
}  // namespace mailwick
