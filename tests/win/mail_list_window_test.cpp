// The mail list window in the test process, opened through the real main window's Open:
// what it shows, how it sorts, what it keeps in the registry, and how a check's rows reach
// it while it is open.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_list_res.h"
#include "checker/mail_list/mail_list_window.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/main_window.h"
#include "checker/resource.h"
#include "checker/texts.h"
#include "checker/tray.h"
#include "common/registry.h"
#include "fixtures/list_view.h"
#include "fixtures/message_recorder.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/registry_value.h"
#include "fixtures/scoped_env.h"
#include "fixtures/shell_notify.h"
#include "fixtures/run_on_worker.h"
#include "fixtures/temp_dir.h"
#include "pop3/stored_list.h"

namespace mailwick {
namespace {

struct Message {
    std::string received, date, from, subject;
    std::int32_t size = 100;
    bool isNew = false;
};

void WriteStoredList(const std::vector<Message>& messages) {
    pop3::StoredMessageList list;
    int n = 0;
    for (const Message& m : messages) {
        pop3::StoredMessage& entry = list.append("uid" + std::to_string(n++), m.isNew);
        entry.size = m.size;
        entry.storedHeader = std::make_unique<pop3::HeaderList>();
        if (!m.received.empty()) entry.storedHeader->append(pop3::HeaderField{"Received", m.received});
        if (!m.date.empty()) entry.storedHeader->append(pop3::HeaderField{"Date", m.date});
        entry.storedHeader->append(pop3::HeaderField{"From", m.from});
        entry.storedHeader->append(pop3::HeaderField{"Subject", m.subject});
    }
    ASSERT_EQ(list.saveFile(pop3::kStoredListFile), 1);
}

// Three messages of different days, senders and sizes, in stored order.
std::vector<Message> ThreeMessages() {
    return {{"", "Mon, 3 Nov 1997 10:05:00 GMT", "bob", "b", 5000, false},
            {"", "Sat, 1 Jan 2000 08:00:00 GMT", "Alice", "a", 20, true},
            {"", "Mon, 7 Dec 2026 09:30:00 GMT", "carol", "c", 700, false}};
}

class MailListWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_process.instance = GetModuleHandleA(nullptr);
        static const bool registered = RegisterCheckerClasses(g_process.instance);
        ASSERT_TRUE(registered);
        ASSERT_TRUE(cwd_.entered());
        main_ = CreateMainWindow(g_process.instance);
        ASSERT_NE(main_, nullptr);
        g_process.viewAllMail = 1;
        SetStatusText("");
    }
    void TearDown() override {
        if (HWND list = g_process.mailListWindow.load()) DestroyWindow(list);
        DestroyWindow(main_);
        g_process.mainWindow = nullptr;
    }

    HWND Open() {
        SendMessageA(main_, WM_COMMAND, IDM_OPEN, 0);
        return g_process.mailListWindow.load();
    }
    void Close(HWND window) { SendMessageA(window, WM_COMMAND, IDM_EXIT, 0); }
    HWND View() const { return g_process.listView.load(); }
    int ItemCount() const { return mwtest::ListViewCount(View()); }
    const MailRow* RowOf(int i) const { return ShownMailRows().at(static_cast<size_t>(i)); }
    std::string Cell(int i, int column) const { return mwtest::ListViewText(View(), i, column); }
    // The From cells from top to bottom.
    std::string Senders() const {
        std::string all;
        for (int i = 0; i < ItemCount(); ++i) all += Cell(i, 2) + " ";
        return all;
    }
    void ClickColumn(HWND window, int column) {
        NMLISTVIEW click{};
        click.hdr.hwndFrom = View();
        click.hdr.idFrom = IDC_MAIL_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iItem = -1;
        click.iSubItem = column;
        SendMessageA(window, WM_NOTIFY, IDC_MAIL_LIST, reinterpret_cast<LPARAM>(&click));
    }
    std::string BarText(int part) const { return mwtest::StatusBarText(g_process.statusBar.load(), part); }
    static mwtest::RegValue Stored(const char* name) {
        return mwtest::ReadRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, name);
    }

    mwtest::RegistrySandbox registry_;
    mwtest::MessageRecorder boxes_;
    mwtest::ShellNotifyStandIn shell_;
    mwtest::TempDir dir_;
    mwtest::ScopedCurrentDir cwd_{dir_.str()};
    HWND main_ = nullptr;
};

TEST_F(MailListWindowTest, OpensWithDefaultsOnAnEmptyRegistryAndOnlyOnce) {
    WriteStoredList(ThreeMessages());
    SetStatusText("kept while closed");
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(g_process.listWindowOpen.load(), 1);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(Open(), window);  // a second Open only brings it forward

    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Mailwick");
    EXPECT_EQ(GetDlgCtrlID(View()), IDC_MAIL_LIST);
    EXPECT_EQ(GetDlgCtrlID(g_process.statusBar.load()), IDC_MAIL_STATUS);
    EXPECT_EQ(g_process.viewAllMail.load(), 1);
    const char* titles[] = {"Received", "Date", "From", "Subject", "To", "Size"};
    for (int c = 0; c < kMailColumns; ++c) {
        EXPECT_EQ(mwtest::ListViewColumnTitle(View(), c), titles[c]);
        EXPECT_EQ(SendMessageA(View(), LVM_GETCOLUMNWIDTH, c, 0), kDefaultColumnWidths[c]) << c;
    }
    EXPECT_EQ(BarText(0), "kept while closed");
    EXPECT_FALSE(BarText(1).empty());
    EXPECT_TRUE(boxes_.Messages().empty());  // both row images loaded

    // Newest Received first; all rows; labels cannot be edited.
    ASSERT_EQ(ItemCount(), 3);
    EXPECT_EQ(Senders(), "carol Alice bob ");
    EXPECT_EQ(SendMessageA(View(), LVM_EDITLABELA, 0, 0), 0);

    // The status bar sits at the bottom, the list fills the rest.
    MoveWindow(window, 10, 10, 500, 300, TRUE);
    RECT client, bar, list;
    GetClientRect(window, &client);
    GetWindowRect(g_process.statusBar.load(), &bar);
    GetWindowRect(View(), &list);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.bottom, client.bottom);
    EXPECT_EQ(list.bottom - list.top, client.bottom - (bar.bottom - bar.top) - 1);
}

TEST_F(MailListWindowTest, CloseKeepsLayoutAndViewForTheNextOpen) {
    WriteStoredList(ThreeMessages());
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    MoveWindow(window, 40, 50, 620, 333, TRUE);
    const int widths[kMailColumns] = {90, 80, 150, 200, 70, 65536 + 60};
    for (int c = 0; c < kMailColumns; ++c) SendMessageA(View(), LVM_SETCOLUMNWIDTH, c, widths[c] & 0xFFFF);
    SendMessageA(window, WM_COMMAND, IDM_NEW_MAIL_ONLY, 0);
    Close(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(g_process.listWindowOpen.load(), 0);
    EXPECT_EQ(g_process.listView.load(), nullptr);
    EXPECT_TRUE(MailRows().empty());

    EXPECT_EQ(Stored("Placement").type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(Stored("Placement").bytes.size(), 44u);
    EXPECT_EQ(Stored("ViewAllMail"), (mwtest::RegValue{REG_BINARY, std::string(4, '\0')}));
    EXPECT_EQ(Stored("LvC3"), (mwtest::RegValue{REG_DWORD, std::string("\xC8\0\0\0", 4)}));

    // Only the low 16 bits of a stored width count.
    RegKey::Open(HKEY_CURRENT_USER, kSettingsKeyPath, KEY_WRITE).WriteDword("LvC5", widths[5]);
    window = Open();
    ASSERT_NE(window, nullptr);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.right - r.left, 620);
    EXPECT_EQ(r.bottom - r.top, 333);
    for (int c = 0; c < kMailColumns; ++c) {
        EXPECT_EQ(SendMessageA(View(), LVM_GETCOLUMNWIDTH, c, 0), widths[c] & 0xFFFF) << c;
    }
    EXPECT_EQ(g_process.viewAllMail.load(), 0);
    EXPECT_EQ(ItemCount(), 1);
}

// Exit goes through the list's own close, which saves its layout.
TEST_F(MailListWindowTest, ExitWithTheListOpenSavesItsLayout) {
    WriteStoredList(ThreeMessages());
    HWND window = Open();
    SendMessageA(window, WM_COMMAND, IDM_NEW_MAIL_ONLY, 0);
    SendMessageA(main_, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(Stored("Placement").bytes.size(), sizeof(WINDOWPLACEMENT));
    EXPECT_EQ(Stored("ViewAllMail"), (mwtest::RegValue{REG_BINARY, std::string(4, '\0')}));
}

// An empty placement applied would open the list as a bare caption at 0,0.
TEST_F(MailListWindowTest, AShortPlacementCountsAsAbsent) {
    WriteStoredList(ThreeMessages());
    ASSERT_TRUE(RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath).WriteValue("Placement", REG_BINARY, "", 0));
    RECT r{};
    GetWindowRect(Open(), &r);
    EXPECT_GT(r.bottom - r.top, 100);
}

// Owner data keeps a selection by position: a sort must keep it on its message, in view.
TEST_F(MailListWindowTest, ASortKeepsTheSelectionOnItsMessageInView) {
    std::vector<Message> messages(60, ThreeMessages()[0]);
    for (int i = 0; i < 60; ++i) messages[i].size = i;
    WriteStoredList(messages);
    HWND window = Open();
    MoveWindow(window, 0, 0, 600, 300, TRUE);
    ClickColumn(window, 5);  // largest first
    LVITEMA chosen{};
    chosen.state = chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(View(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&chosen));
    const MailRow* row = RowOf(0);
    ClickColumn(window, 5);  // smallest first: the chosen row goes to the bottom
    const auto focus = SendMessageA(View(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED | LVNI_SELECTED);
    ASSERT_EQ(focus, 59);
    EXPECT_EQ(RowOf(59), row);
    EXPECT_EQ(SendMessageA(View(), LVM_GETSELECTEDCOUNT, 0, 0), 1);
    EXPECT_LT(focus, SendMessageA(View(), LVM_GETTOPINDEX, 0, 0) + SendMessageA(View(), LVM_GETCOUNTPERPAGE, 0, 0));
}

TEST_F(MailListWindowTest, CellTexts) {
    WriteStoredList({{"from a by b; Mon, 3 Nov 1997 10:05:00 +0000", "Sat, 1 Jan 2000 08:00:00 GMT", "x", "s", 1023},
                     {"", "Mon, 7 Dec 2026 09:30:00 GMT", "y", "s", 1024},
                     {"from a by b; Tue, 4 Nov 1997 11:06:00 +0000", "", "z", "s", 1536},
                     {"no date here", "", "w", "s", 0}});
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(ItemCount(), 4);
    SendMessageA(window, WM_COMMAND, IDM_ALL_MAIL, 0);  // stored order
    EXPECT_EQ(Cell(0, 0), "3/11/97 10:05");
    EXPECT_EQ(Cell(0, 1), "1/1/00 08:00");  // the year's last two digits
    EXPECT_EQ(Cell(0, 5), "1023 bytes");
    EXPECT_EQ(Cell(1, 0), "7/12/26 09:30");  // no Received: the Date stamp in both
    EXPECT_EQ(Cell(1, 1), "7/12/26 09:30");
    EXPECT_EQ(Cell(1, 5), "1.0 KB");
    EXPECT_EQ(Cell(2, 1), "4/11/97 11:06");  // no Date: the Received stamp in both
    EXPECT_EQ(Cell(2, 5), "1.5 KB");
    EXPECT_EQ(Cell(3, 0), "");
    EXPECT_EQ(Cell(3, 1), "");
    EXPECT_EQ(Cell(3, 2), "w");
}

TEST_F(MailListWindowTest, HeaderClicksSortDescendingFirstThenReverse) {
    WriteStoredList(ThreeMessages());
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    ClickColumn(window, 0);
    EXPECT_EQ(Senders(), "carol Alice bob ");  // the first click keeps newest first
    ClickColumn(window, 0);
    EXPECT_EQ(Senders(), "bob Alice carol ");
    ClickColumn(window, 0);
    EXPECT_EQ(Senders(), "carol Alice bob ");
    ClickColumn(window, 5);
    EXPECT_EQ(Senders(), "bob carol Alice ");  // largest first
    ClickColumn(window, 2);
    EXPECT_EQ(Senders(), "carol bob Alice ");  // without regard to case
    ClickColumn(window, 2);
    EXPECT_EQ(Senders(), "Alice bob carol ");
}

TEST_F(MailListWindowTest, ViewCommandsShowNewOnlyOrAllInStoredOrder) {
    std::vector<Message> messages = ThreeMessages();
    messages[2].isNew = true;
    WriteStoredList(messages);
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    HMENU menu = GetMenu(window);

    SendMessageA(window, WM_COMMAND, IDM_NEW_MAIL_ONLY, 0);
    SendMessageA(window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_EQ(g_process.viewAllMail.load(), 0);
    EXPECT_TRUE(GetMenuState(menu, IDM_NEW_MAIL_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, IDM_ALL_MAIL, MF_BYCOMMAND) & MF_CHECKED);
    ASSERT_EQ(ItemCount(), 2);
    EXPECT_EQ(Senders(), "Alice carol ");
    for (int i = 0; i < 2; ++i) EXPECT_EQ(mwtest::ListViewImage(View(), i), 1);

    SendMessageA(window, WM_COMMAND, IDM_ALL_MAIL, 0);
    SendMessageA(window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(GetMenuState(menu, IDM_ALL_MAIL, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(Senders(), "bob Alice carol ");
    EXPECT_EQ(mwtest::ListViewImage(View(), 0), 0);
    EXPECT_EQ(mwtest::ListViewImage(View(), 1), 1);
}

TEST_F(MailListWindowTest, CheckFinishingWhileOpenRefreshesTheRows) {
    WriteStoredList(ThreeMessages());
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    std::vector<Message> more = ThreeMessages();
    more.push_back({"", "Tue, 8 Dec 2026 07:00:00 GMT", "dave", "d", 10, true});
    WriteStoredList(more);
    mwtest::RunOnWorker([] {
        RebuildMailRows();
        FillMailList();
    });
    const MailRowTable& rows = MailRows();
    ASSERT_EQ(rows.size(), 4u);
    ASSERT_EQ(ItemCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(RowOf(i), &rows[i]);  // every item on a live row
    EXPECT_EQ(Cell(3, 2), "dave");
}

// The main window's procedure with a recorder in front: the commands it is handed.
std::vector<WORD> g_mainCommands;
WNDPROC g_mainProc = nullptr;
LRESULT CALLBACK RecordingMainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        g_mainCommands.push_back(LOWORD(wParam));
        if (LOWORD(wParam) != IDM_CHECK_NOW) return 0;
    }
    return CallWindowProcA(g_mainProc, hwnd, message, wParam, lParam);
}

TEST_F(MailListWindowTest, MenuCommandsArePassedOnToTheMainWindow) {
    WriteStoredList(ThreeMessages());
    HWND window = Open();
    ASSERT_NE(window, nullptr);
    g_mainProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingMainProc)));
    g_mainCommands.clear();

    // Check Now reaches the real main window, which starts a check; without an account
    // that check ends at once, failed.
    g_process.state.SetCheckFailed(0);
    SendMessageA(window, WM_COMMAND, IDM_CHECK_NOW, 0);
    EXPECT_EQ(g_process.state.CheckFailed(), 1);
    EXPECT_EQ(StatusText(), kAccountInvalidStatus);
    EXPECT_EQ(BarText(0), kAccountInvalidStatus);

    const WORD passed[] = {IDM_OPTIONS,     IDM_START_CHECKING, IDM_STOP_CHECKING, IDM_READ_MAIL,
                           IDM_HELP_CONTENTS, IDM_ABOUT,        IDM_HOMEPAGE,      IDM_MAIL_AUTHOR};
    for (WORD id : passed) SendMessageA(window, WM_COMMAND, id, 0);
    SendMessageA(window, WM_COMMAND, IDM_OPEN, 0);  // not one of the window's commands
    SendMessageA(window, WM_COMMAND, IDM_NEW_MAIL_ONLY, 0);
    EXPECT_TRUE(IsWindow(window));
    SendMessageA(window, WM_COMMAND, IDM_EXIT, 0);  // Close closes only this window
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(IsWindow(main_));

    std::vector<WORD> expected{IDM_CHECK_NOW};
    expected.insert(expected.end(), std::begin(passed), std::end(passed));
    EXPECT_EQ(g_mainCommands, expected);
    SetWindowLongPtrA(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_mainProc));
}

}  // namespace
}  // namespace mailwick
