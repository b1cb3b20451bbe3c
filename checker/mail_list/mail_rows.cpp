#include "checker/mail_list/mail_rows.h"

#include <windows.h>
#include <commctrl.h>

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "checker/mail_list/sort_keys.h"
#include "pop3/stored_list.h"

namespace mailwick {

namespace {

// Main thread only. The list view is virtual: item i shows g_shown[i], so filling it costs
// no window call per row, and the list never holds a pointer of its own.
MailRowTable g_rows;
std::vector<const MailRow*> g_shown;

enum RowsStep : WPARAM { StepReplace = 1, StepFill = 2, StepClear = 3 };

// A rebuilt table on its way to the main thread. It waits here rather than travelling
// as a pointer in the message, so a stray MailRowsMessage from elsewhere finds nothing to
// take. The lock is never held across a send.
std::mutex g_pendingLock;
std::optional<MailRowTable> g_pending;
LPARAM g_pendingToken = 0;

std::optional<MailRowTable> TakePending(LPARAM token) {
    std::lock_guard<std::mutex> hold(g_pendingLock);
    if (!g_pending || token != g_pendingToken) return std::nullopt;
    std::optional<MailRowTable> rows = std::move(g_pending);
    g_pending.reset();
    return rows;
}

void DeleteAllItems() {
    g_shown.clear();
    if (HWND view = g_process.listView.load()) SendMessageA(view, LVM_DELETEALLITEMS, 0, 0);
}

void Replace(MailRowTable rows) {
    DeleteAllItems();
    g_rows = std::move(rows);
}

void Fill() {
    HWND view = g_process.listView.load();
    if (!view) return;
    DeleteAllItems();
    const bool all = g_process.viewAllMail.load() != 0;
    g_shown.reserve(g_rows.size());
    for (const MailRow& row : g_rows) {
        if (all || row.isNew == 1) g_shown.push_back(&row);
    }
    SendMessageA(view, LVM_SETITEMCOUNT, static_cast<WPARAM>(g_shown.size()), 0);
    InvalidateRect(view, nullptr, TRUE);
}

void Clear() {
    DeleteAllItems();
    MailRowTable().swap(g_rows);
}

// Whether a step must be handed to the main thread: only when a main window exists and
// belongs to another thread. Without one (start-up, tests) there is no other user.
bool OnOtherThread(HWND* main) {
    *main = g_process.mainWindow.load();
    return *main && GetWindowThreadProcessId(*main, nullptr) != GetCurrentThreadId();
}

}  // namespace

void RebuildMailRows() {
    // Reading the file is the slow part; it happens on the caller's thread.
    ReplaceMailRows(LoadMailRows(StoredListPath()));
}

void ReplaceMailRows(MailRowTable rows) {
    // On the caller's thread, like the reading: the window's sorts then only compare keys.
    MakeSortKeys(rows);
    HWND main = nullptr;
    if (!OnOtherThread(&main)) {
        Replace(std::move(rows));
        return;
    }
    LPARAM token;
    {
        std::lock_guard<std::mutex> hold(g_pendingLock);
        token = ++g_pendingToken;
        g_pending = std::move(rows);
    }
    SendMessageA(main, MailRowsMessage, StepReplace, token);
    // Not taken (the main window went away first): drop the new rows; the old ones stay
    // until the next rebuild.
    TakePending(token);
}

void FillMailList() {
    HWND main = nullptr;
    if (OnOtherThread(&main)) SendMessageA(main, MailRowsMessage, StepFill, 0);
    else Fill();
}

void ClearMailRows() {
    HWND main = nullptr;
    if (OnOtherThread(&main)) SendMessageA(main, MailRowsMessage, StepClear, 0);
    else Clear();
}

const MailRowTable& MailRows() { return g_rows; }

std::vector<const MailRow*>& ShownMailRows() { return g_shown; }

LRESULT OnMailRowsMessage(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
    case StepReplace:
        if (std::optional<MailRowTable> rows = TakePending(lParam)) {
            Replace(std::move(*rows));
            return 1;
        }
        return 0;
    case StepFill: Fill(); return 1;
    case StepClear: Clear(); return 1;
    default: return 0;
    }
}

}  // namespace mailwick
