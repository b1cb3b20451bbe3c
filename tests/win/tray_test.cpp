// The tray icon's pictures and shell calls, its mouse handling and the menu enabling
// rules, against the real resources and menus, with the shell call replaced by a recorder.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/resource.h"
#include "checker/texts.h"
#include "checker/tray.h"
#include "fixtures/shell_notify.h"

namespace mailwick {
namespace {

using mwtest::RecordShellCall;
using mwtest::ShellCalls;

struct Received {
    UINT message;
    WPARAM wParam;
};
std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {  // as the worker's new-mail message does
        g_process.state.SetNewMailPending(1);
        return 0;
    }
    if (message == WM_TIMER || message == WM_COMMAND) {
        g_received.push_back({message, wParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Grey(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }

class Tray : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_process.instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = g_process.instance;
        wc.lpszClassName = "TrayTestMain";
        RegisterClassA(&wc);
        main_ = CreateWindowA("TrayTestMain", "Mailwick_Main", WS_SYSMENU, 0, 0, 100, 100, nullptr,
                              nullptr, g_process.instance, nullptr);
        list_ = CreateWindowA("TrayTestMain", "Mailwick", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                              LoadMenuA(g_process.instance, kUserMenuName), g_process.instance, nullptr);
        g_process.mainWindow = main_;
        SetShellNotifyFunction(&RecordShellCall);
        loaded_ = LoadTrayResources();
    }

    void SetUp() override {
        CheckerState& s = g_process.state;
        s.SetCheckingOn(0);
        s.SetCheckIdle(1);
        s.SetNewMailPending(0);
        s.SetFlashPhase(0);
        s.SetCheckFailed(0);
        g_process.listWindowOpen = 0;
        g_process.mailListWindow = nullptr;
        g_process.optionsOpen = 0;
        g_process.aboutOpen = 0;
        mwtest::ClearShellCalls();
        g_received.clear();
    }

    // The picture the last shell call carried, as a table index (-1: none of them).
    static int ShownIndex() {
        if (ShellCalls().empty()) return -1;
        for (int i = 0; i < TrayPictureCount; ++i) {
            if (ShellCalls().back().data.hIcon == TrayIconPicture(i)) return i;
        }
        return -1;
    }

    void OpenListWindow() {
        g_process.mailListWindow = list_;
        g_process.listWindowOpen = 1;
    }
    HMENU ListMenu() const { return GetMenu(list_); }

    static HWND main_;
    static HWND list_;
    static int loaded_;
};
HWND Tray::main_ = nullptr;
HWND Tray::list_ = nullptr;
int Tray::loaded_ = 0;

TEST_F(Tray, ResourcesLoadWithFiveDistinctPictures) {
    EXPECT_EQ(loaded_, 1);
    for (int i = 0; i < TrayPictureCount; ++i) {
        ASSERT_NE(TrayIconPicture(i), nullptr) << i;
        for (int k = 0; k < i; ++k) EXPECT_NE(TrayIconPicture(i), TrayIconPicture(k));
    }
    HMENU popup = TrayPopupMenu();
    ASSERT_NE(popup, nullptr);
    const UINT ids[] = {IDM_OPEN, 0, IDM_CHECK_NOW, IDM_START_CHECKING, IDM_STOP_CHECKING, 0,
                        IDM_OPTIONS, IDM_READ_MAIL, 0, IDM_ABOUT, 0, IDM_EXIT};
    const char* texts[] = {"&Open", "", "&Check Now", "Start checking", "Stop checking", "",
                           "Op&tions", "Read mail", "", "&About...", "", "E&xit"};
    ASSERT_EQ(GetMenuItemCount(popup), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(GetMenuItemID(popup, i), ids[i]) << i;
        char text[64] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, texts[i]) << i;
    }
}

TEST_F(Tray, EverySetterButRasAvailableShowsThePictureAtOnce) {
    CheckerState& s = g_process.state;
    EXPECT_EQ(TrayIconIndex(), TrayStopped);

    s.SetCheckingOn(1);
    ASSERT_EQ(ShellCalls().size(), 1u);
    EXPECT_EQ(ShownIndex(), TrayWaiting);

    s.SetCheckIdle(0);
    EXPECT_EQ(ShownIndex(), TrayChecking);
    s.SetCheckFailed(1);  // hidden while the check runs
    EXPECT_EQ(ShownIndex(), TrayChecking);
    s.SetCheckIdle(1);
    EXPECT_EQ(ShownIndex(), TrayFailed);

    s.SetNewMailPending(1);
    EXPECT_EQ(ShownIndex(), TrayFailed);  // plain phase of the flashing
    s.SetFlashPhase(1);
    EXPECT_EQ(ShownIndex(), TrayNewMail);
    s.SetNewMailPending(0);
    EXPECT_EQ(ShownIndex(), TrayFailed);

    s.SetCheckFailed(0);
    EXPECT_EQ(ShownIndex(), TrayWaiting);
    s.SetCheckingOn(0);
    EXPECT_EQ(ShownIndex(), TrayStopped);
    EXPECT_EQ(CurrentTrayIcon(), TrayIconPicture(TrayStopped));

    const std::size_t before = ShellCalls().size();
    s.SetRasAvailable(1);
    s.SetRasAvailable(0);
    EXPECT_EQ(ShellCalls().size(), before);
    EXPECT_EQ(CurrentTrayIcon(), TrayIconPicture(TrayStopped));
}

TEST_F(Tray, FailureWithCheckingOffShowsTheFailurePicture) {
    g_process.state.SetCheckFailed(1);
    EXPECT_EQ(ShownIndex(), TrayFailed);
}

std::atomic<HICON> g_lastShown{nullptr};
BOOL WINAPI RecordLastPictureSlowly(DWORD, PNOTIFYICONDATAA data) {
    const HICON icon = data->hIcon;
    Sleep(0);  // a shell call takes a while: room for the other thread to overtake
    g_lastShown = icon;
    return TRUE;
}

TEST_F(Tray, TwoThreadsChangingFlagsAtOnceLeaveTheRightPicture) {
    // The check worker and the main thread set their flags at the same moment; whichever
    // call reaches the shell last must carry the picture of the flags as they end up.
    SetShellNotifyFunction(&RecordLastPictureSlowly);
    CheckerState& s = g_process.state;
    s.SetCheckingOn(1);
    for (int round = 0; round < 200; ++round) {
        std::thread worker([&] {
            s.SetCheckIdle(round % 2);
            s.SetCheckFailed((round / 2) % 2);
        });
        s.SetNewMailPending(round % 3 == 0);
        s.SetFlashPhase(round % 5 == 0);
        worker.join();
        ASSERT_EQ(g_lastShown.load(), TrayIconPicture(TrayIconIndex())) << "round " << round;
    }
    SetShellNotifyFunction(&RecordShellCall);
}

// The tray's process, on a thread of its own: it answers a shell call only after another
// thread has sent the main window a message that changes a flag.
HWND g_trayWindow = nullptr;
HWND g_mainWindow = nullptr;
std::atomic<int> g_shellCalls{0};
LRESULT CALLBACK TrayProcessProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) return SendMessageA(g_mainWindow, WM_APP, 0, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}
BOOL WINAPI ShellCallLettingAMessageIn(DWORD, PNOTIFYICONDATAA data) {
    g_lastShown = data->hIcon;
    if (g_shellCalls++ == 0) SendMessageA(g_trayWindow, WM_APP, 0, 0);
    return TRUE;
}

TEST_F(Tray, AFlagChangedWhileTheShellCallWaitsIsShownWithoutAHang) {
    std::atomic<bool> ready{false};
    DWORD trayThread = 0;
    std::thread tray([&] {
        trayThread = GetCurrentThreadId();
        g_trayWindow = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(g_trayWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TrayProcessProc));
        ready = true;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        DestroyWindow(g_trayWindow);
    });
    while (!ready) Sleep(1);
    g_mainWindow = main_;
    SetShellNotifyFunction(&ShellCallLettingAMessageIn);
    g_process.state.SetCheckingOn(1);  // hung here when the lock was not taken again
    EXPECT_EQ(g_process.state.NewMailPending(), 1);
    EXPECT_EQ(g_lastShown.load(), TrayIconPicture(TrayIconIndex()));
    SetShellNotifyFunction(&RecordShellCall);
    PostThreadMessageA(trayThread, WM_QUIT, 0, 0);
    tray.join();
}

TEST_F(Tray, ShellCallsCarryTheIconIdentity) {
    g_process.state.SetCheckingOn(1);  // current picture: waiting
    mwtest::ClearShellCalls();
    TrayIconAction(main_, TrayAdd);
    TrayIconAction(main_, TrayModify);
    TrayIconAction(main_, TrayDelete);
    TrayIconAction(main_, 7);  // not an action
    ASSERT_EQ(ShellCalls().size(), 3u);
    const DWORD messages[] = {NIM_ADD, NIM_MODIFY, NIM_DELETE};
    const UINT flags[] = {NIF_MESSAGE | NIF_ICON | NIF_TIP, NIF_ICON | NIF_TIP, 0};
    for (int i = 0; i < 3; ++i) {
        const mwtest::ShellCall call = ShellCalls()[i];
        const NOTIFYICONDATAA& d = call.data;
        EXPECT_EQ(call.message, messages[i]);
        EXPECT_EQ(d.uFlags, flags[i]);
        EXPECT_EQ(d.cbSize, NOTIFYICONDATAA_V1_SIZE);
        EXPECT_EQ(d.hWnd, main_);
        EXPECT_EQ(d.uID, TrayIconId);
        EXPECT_EQ(d.uCallbackMessage, TrayNotifyMessage);
        EXPECT_EQ(d.hIcon, TrayIconPicture(TrayWaiting));
        EXPECT_STREQ(d.szTip, "Mailwick");
    }
    // A setter's refresh goes to the main window too.
    g_process.state.SetCheckIdle(0);
    EXPECT_EQ(ShellCalls().back().message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(ShellCalls().back().data.hWnd, main_);
    EXPECT_EQ(ShellCalls().back().data.uFlags, static_cast<UINT>(NIF_ICON | NIF_TIP));
    // A setter that leaves the picture as it is makes no call.
    const std::size_t calls = ShellCalls().size();
    g_process.state.SetCheckFailed(0);
    g_process.state.SetCheckIdle(0);
    EXPECT_EQ(ShellCalls().size(), calls);
}

TEST_F(Tray, TaskbarRecreatedAddsTheIconAgain) {
    const UINT created = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(created, 0u);
    EXPECT_EQ(TaskbarCreatedMessage(), created);
    EXPECT_FALSE(OnTaskbarCreated(main_, WM_USER + 5));
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_TRUE(OnTaskbarCreated(main_, created));
    ASSERT_EQ(ShellCalls().size(), 1u);
    EXPECT_EQ(ShellCalls()[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(ShellCalls()[0].data.hIcon, TrayIconPicture(TrayStopped));
}

TEST_F(Tray, LeftClickAcknowledgesAndStepsTheFlashing) {
    CheckerState& s = g_process.state;
    s.SetCheckingOn(1);
    s.SetNewMailPending(1);
    s.SetFlashPhase(1);
    ASSERT_EQ(ShownIndex(), TrayNewMail);
    g_received.clear();

    OnTrayNotify(TrayIconId, WM_LBUTTONDOWN, 1);
    EXPECT_EQ(s.NewMailPending(), 0);
    EXPECT_EQ(ShownIndex(), TrayWaiting);  // at once, before the flash step runs
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(g_received[0].wParam, FlashTimer);
}

TEST_F(Tray, DoubleClickOpensTheMailList) {
    g_process.state.SetNewMailPending(1);
    OnTrayNotify(0, WM_LBUTTONDBLCLK, 1);
    EXPECT_EQ(g_process.state.NewMailPending(), 0);
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].message, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(LOWORD(g_received[0].wParam), IDM_OPEN);
}

TEST_F(Tray, OtherMouseMessagesDoNothing) {
    g_process.state.SetNewMailPending(1);
    mwtest::ClearShellCalls();
    for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONUP, WM_RBUTTONDBLCLK}) OnTrayNotify(TrayIconId, m, 1);
    EXPECT_EQ(g_process.state.NewMailPending(), 1);
    EXPECT_TRUE(ShellCalls().empty());
    EXPECT_TRUE(g_received.empty());
}

TEST_F(Tray, MenuFollowsCheckingMode) {
    OpenListWindow();
    HMENU tray = TrayPopupMenu(), list = ListMenu();
    UpdateMenuState(1);
    for (HMENU m : {tray, list}) {
        EXPECT_FALSE(Grey(m, IDM_START_CHECKING));
        EXPECT_TRUE(Grey(m, IDM_STOP_CHECKING));
        EXPECT_FALSE(Grey(m, IDM_CHECK_NOW));
    }
    g_process.state.SetCheckingOn(1);
    UpdateMenuState(1);
    for (HMENU m : {tray, list}) {
        EXPECT_TRUE(Grey(m, IDM_START_CHECKING));
        EXPECT_FALSE(Grey(m, IDM_STOP_CHECKING));
    }
}

TEST_F(Tray, InvalidAccountGreysCheckingAndSaysSo) {
    OpenListWindow();
    SetStatusText("");
    g_process.state.SetCheckingOn(1);
    UpdateMenuState(0);
    for (HMENU m : {TrayPopupMenu(), ListMenu()}) {
        EXPECT_TRUE(Grey(m, IDM_START_CHECKING));
        EXPECT_TRUE(Grey(m, IDM_STOP_CHECKING));
        EXPECT_TRUE(Grey(m, IDM_CHECK_NOW));
        EXPECT_FALSE(Grey(m, IDM_OPTIONS));  // the way to fix the account
    }
    EXPECT_EQ(StatusText(), kAccountInvalidStatus);

    // A valid account brings them back.
    SetStatusText("kept");
    UpdateMenuState(1);
    EXPECT_EQ(StatusText(), "kept");
    for (HMENU m : {TrayPopupMenu(), ListMenu()}) {
        EXPECT_FALSE(Grey(m, IDM_STOP_CHECKING));
        EXPECT_FALSE(Grey(m, IDM_CHECK_NOW));
    }
}

TEST_F(Tray, CheckNowIsGreyWhileACheckRuns) {
    OpenListWindow();
    g_process.state.SetCheckIdle(0);
    UpdateMenuState(1);
    EXPECT_TRUE(Grey(TrayPopupMenu(), IDM_CHECK_NOW));
    EXPECT_TRUE(Grey(ListMenu(), IDM_CHECK_NOW));
    g_process.state.SetCheckIdle(1);
    UpdateMenuState(1);
    EXPECT_FALSE(Grey(TrayPopupMenu(), IDM_CHECK_NOW));
}

TEST_F(Tray, OpenIsGreyWhileTheListIsOpen) {
    UpdateMenuState(1);
    EXPECT_FALSE(Grey(TrayPopupMenu(), IDM_OPEN));
    OpenListWindow();
    UpdateMenuState(1);
    EXPECT_TRUE(Grey(TrayPopupMenu(), IDM_OPEN));
}

TEST_F(Tray, OptionsAndAboutAreGreyWhileOpen) {
    OpenListWindow();
    g_process.optionsOpen = 1;
    UpdateMenuState(1);
    EXPECT_TRUE(Grey(TrayPopupMenu(), IDM_OPTIONS));
    EXPECT_TRUE(Grey(ListMenu(), IDM_OPTIONS));
    EXPECT_FALSE(Grey(TrayPopupMenu(), IDM_ABOUT));
    g_process.optionsOpen = 0;
    g_process.aboutOpen = 1;
    UpdateMenuState(1);
    EXPECT_FALSE(Grey(TrayPopupMenu(), IDM_OPTIONS));
    EXPECT_TRUE(Grey(TrayPopupMenu(), IDM_ABOUT));
    EXPECT_TRUE(Grey(ListMenu(), IDM_ABOUT));
}

TEST_F(Tray, ListMenuIsLeftAloneWhileTheListIsClosed) {
    HMENU list = ListMenu();
    EnableMenuItem(list, IDM_HELP_CONTENTS, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(list, IDM_CHECK_NOW, MF_BYCOMMAND | MF_GRAYED);
    UpdateMenuState(1);
    EXPECT_TRUE(Grey(list, IDM_HELP_CONTENTS));
    EXPECT_TRUE(Grey(list, IDM_CHECK_NOW));
    OpenListWindow();
    UpdateMenuState(1);
    EXPECT_FALSE(Grey(list, IDM_HELP_CONTENTS));
    EXPECT_FALSE(Grey(list, IDM_CHECK_NOW));
}

TEST_F(Tray, SomeCommandsAreNeverGreyed) {
    OpenListWindow();
    CheckerState& s = g_process.state;
    for (int bits = 0; bits < 32; ++bits) {
        s.SetCheckingOn(bits & 1);
        s.SetCheckIdle((bits >> 1) & 1);
        g_process.optionsOpen = (bits >> 2) & 1;
        g_process.aboutOpen = (bits >> 3) & 1;
        UpdateMenuState((bits >> 4) & 1);
        for (UINT id : {IDM_EXIT, IDM_READ_MAIL}) EXPECT_FALSE(Grey(TrayPopupMenu(), id)) << bits;
        for (UINT id : {IDM_EXIT, IDM_NEW_MAIL_ONLY, IDM_ALL_MAIL, IDM_READ_MAIL, IDM_HOMEPAGE,
                        IDM_MAIL_AUTHOR, IDM_HELP_CONTENTS})
            EXPECT_FALSE(Grey(ListMenu(), id)) << bits << " " << id;
    }
}

// The icon files themselves: 407 is fully transparent, the others are not.
int OpaquePixels(int id) {
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    if (!icon) return -1;
    ICONINFO info{};
    GetIconInfo(icon, &info);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 16;
    bi.bmiHeader.biHeight = 16;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    DWORD mask[256] = {};
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, info.hbmMask, 0, 16, mask, &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyIcon(icon);
    int opaque = 0;
    for (DWORD m : mask) opaque += (m & 0xffffff) == 0;
    return opaque;
}

TEST_F(Tray, IconResourcesHaveTheirTransparency) {
    EXPECT_EQ(OpaquePixels(IDI_ROW_SEEN), 0);
    for (int id : {IDI_APP, IDI_TRAY_WAITING, IDI_TRAY_CHECKING, IDI_TRAY_FAILED, IDI_TRAY_STOPPED, IDI_ROW_NEW}) {
        const int opaque = OpaquePixels(id);
        EXPECT_GT(opaque, 64) << id;
        EXPECT_LT(opaque, 256) << id;  // a transparent margin
    }
    EXPECT_EQ(OpaquePixels(IDI_TRAY_NEW_MAIL), 256);  // the frame fills the square
}

}  // namespace
}  // namespace mailwick
