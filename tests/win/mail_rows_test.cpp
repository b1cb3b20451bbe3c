// The mail rows behind a real list view and status bar: filling by view mode, and the
// check worker's rebuild, refill and status text handed to the main thread.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_list_res.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/texts.h"
#include "fixtures/list_view.h"
#include "fixtures/run_on_worker.h"
#include "fixtures/scoped_env.h"
#include "fixtures/temp_dir.h"
#include "pop3/stored_list.h"

namespace mailwick {
namespace {

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MailRowsMessage) return OnMailRowsMessage(wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Writes a "UIDL" file of `count` messages; every third is new; subjects "<tag><i>".
void WriteStoredList(int count, const std::string& tag) {
    pop3::StoredMessageList list;
    for (int i = 0; i < count; ++i) {
        pop3::StoredMessage& m = list.append(tag + std::to_string(i), i % 3 == 0);
        m.size = 1000 + i;
        m.storedHeader = std::make_unique<pop3::HeaderList>();
        m.storedHeader->append(pop3::HeaderField{"Subject", tag + std::to_string(i)});
        m.storedHeader->append(pop3::HeaderField{"Date", "3 Nov 1997 10:05:00"});
    }
    ASSERT_EQ(list.saveFile(pop3::kStoredListFile), 1);
}

class MailRowsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSA wc{};
        wc.lpfnWndProc = MainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "RowsTestMain";
        RegisterClassA(&wc);
        main_ = CreateWindowA("RowsTestMain", "Mailwick_Main", WS_SYSMENU, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
        frame_ = CreateWindowA("RowsTestMain", "Mailwick", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                               nullptr, wc.hInstance, nullptr);
        view_ = CreateWindowA(WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA, 0, 0, 600, 350, frame_,
                              reinterpret_cast<HMENU>(IDC_MAIL_LIST), wc.hInstance, nullptr);
        for (int c = 0; c < 6; ++c) {
            LVCOLUMNA col{};
            col.mask = LVCF_WIDTH | LVCF_SUBITEM;
            col.cx = 80;
            col.iSubItem = c;
            SendMessageA(view_, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
        }
        bar_ = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", frame_, IDC_MAIL_STATUS);
        ASSERT_NE(main_, nullptr) << GetLastError();
        ASSERT_TRUE(cwd_.entered());
        ASSERT_NE(view_, nullptr);
        ASSERT_NE(bar_, nullptr);
        g_process.mainWindow = main_;
        g_process.listView = view_;
        g_process.statusBar = bar_;
        g_process.viewAllMail = 1;
    }
    void TearDown() override {
        ClearMailRows();
        g_process.listView = nullptr;
        g_process.statusBar = nullptr;
        g_process.mainWindow = nullptr;
        DestroyWindow(frame_);
        DestroyWindow(main_);
    }

    int ItemCount() const { return mwtest::ListViewCount(view_); }
    const MailRow* RowOf(int i) const { return ShownMailRows().at(static_cast<size_t>(i)); }
    std::string BarText() const { return mwtest::StatusBarText(bar_); }

    mwtest::TempDir dir_;
    mwtest::ScopedCurrentDir cwd_{dir_.str()};
    HWND main_ = nullptr, frame_ = nullptr, view_ = nullptr, bar_ = nullptr;
};

TEST_F(MailRowsWindow, FillShowsAllRowsOrOnlyNewOnes) {
    WriteStoredList(7, "m");
    RebuildMailRows();
    FillMailList();
    const MailRowTable& rows = MailRows();
    ASSERT_EQ(rows.size(), 7u);
    ASSERT_EQ(ItemCount(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(RowOf(i), &rows[i]);  // stored order, item i showing row i

    g_process.viewAllMail = 0;
    FillMailList();
    ASSERT_EQ(ItemCount(), 3);  // 0, 3, 6
    for (int i = 0; i < 3; ++i) EXPECT_EQ(RowOf(i), &rows[i * 3]);
}

TEST_F(MailRowsWindow, RebuildDropsTheItemsOfTheOldRows) {
    WriteStoredList(4, "old");
    RebuildMailRows();
    FillMailList();
    ASSERT_EQ(ItemCount(), 4);
    std::filesystem::remove(pop3::kStoredListFile);
    RebuildMailRows();
    EXPECT_TRUE(MailRows().empty());
    EXPECT_TRUE(ShownMailRows().empty());  // nothing left pointing at the old rows
    EXPECT_EQ(ItemCount(), 0);
    FillMailList();
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(MailRowsWindow, WorkerRebuildIsCarriedOutByTheMainThread) {
    WriteStoredList(3, "old");
    RebuildMailRows();
    FillMailList();
    ASSERT_EQ(ItemCount(), 3);

    WriteStoredList(5, "new");
    DWORD statusThread = 0;
    mwtest::RunOnWorker([&] {
        SetStatusText(kCheckingStatus);
        RebuildMailRows();
        FillMailList();
        statusThread = GetCurrentThreadId();
    });
    ASSERT_NE(statusThread, GetCurrentThreadId());
    const MailRowTable& rows = MailRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4].subject, "new4");
    ASSERT_EQ(ItemCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(RowOf(i), &rows[i]);
    EXPECT_EQ(BarText(), kCheckingStatus);
    EXPECT_EQ(StatusText(), kCheckingStatus);
}

TEST_F(MailRowsWindow, RowsNotTakenByTheMainWindowAreDropped) {
    WriteStoredList(2, "old");
    RebuildMailRows();
    FillMailList();
    // A main window that does not take the hand-over (as when it is already gone).
    HWND deaf = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    g_process.mainWindow = deaf;
    WriteStoredList(6, "new");
    mwtest::RunOnWorker([] { RebuildMailRows(); });
    EXPECT_EQ(MailRows().size(), 2u);
    EXPECT_EQ(ItemCount(), 2);
    // The next rebuild through the real main window brings the new rows.
    g_process.mainWindow = main_;
    DestroyWindow(deaf);
    mwtest::RunOnWorker([] { RebuildMailRows(); });
    EXPECT_EQ(MailRows().size(), 6u);
    EXPECT_EQ(ItemCount(), 0);  // deleted with the old rows, until the refill
}

TEST_F(MailRowsWindow, StrayRowsMessageChangesNothing) {
    WriteStoredList(2, "m");
    RebuildMailRows();
    FillMailList();
    EXPECT_EQ(SendMessageA(main_, MailRowsMessage, 1, 12345), 0);
    EXPECT_EQ(SendMessageA(main_, MailRowsMessage, 99, 0), 0);
    EXPECT_EQ(MailRows().size(), 2u);
    EXPECT_EQ(ItemCount(), 2);
}

TEST_F(MailRowsWindow, ClearEmptiesTableAndList) {
    WriteStoredList(3, "m");
    RebuildMailRows();
    FillMailList();
    ClearMailRows();
    EXPECT_TRUE(MailRows().empty());
    EXPECT_EQ(ItemCount(), 0);
}

TEST_F(MailRowsWindow, StatusTextIsKeptWhileNoBarExistsAndCut) {
    g_process.statusBar = nullptr;
    SetStatusText("while closed");
    EXPECT_EQ(BarText(), "");
    EXPECT_EQ(StatusText(), "while closed");
    g_process.statusBar = bar_;
    SetStatusText(std::string(400, 'x').c_str());
    EXPECT_EQ(StatusText(), std::string(249, 'x'));
    EXPECT_EQ(BarText(), std::string(249, 'x'));
    SetStatusText(nullptr);
    EXPECT_EQ(StatusText(), "");
}

}  // namespace
}  // namespace mailwick
