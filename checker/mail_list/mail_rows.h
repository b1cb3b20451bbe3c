// The mail list's rows and the status text. The status text is kept whether or not the
// mail list window is open; the rows are made when it opens and dropped when it closes, and
// a check remakes them only while it is open. Its list view and status bar
// (g_process.listView, .statusBar) are touched only while they exist.
//
// Sharing with the check worker: the row table belongs to the main thread. Every path
// that reads the rows (display, sorting, view commands, closing) runs there, and so does
// every change: when the worker calls RebuildMailRows it reads the "UIDL" file into a new
// table on its own thread, leaves it in a hand-over slot and sends MailRowsMessage to the
// main window, which deletes the list items and swaps the table in within one handler, so
// no item ever points at a freed row. FillMailList and ClearMailRows are handed over the
// same way. The slot's lock is never held across a window send, so the threads cannot
// deadlock. The status text is a plain copy under its own small lock.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "checker/logic/date_stamp.h"
#include "checker/logic/mail_row.h"

namespace mailwick {

// The status text: at most 249 characters are kept; shown in part 0 of the status bar
// when it exists. Any thread.
void SetStatusText(const char* text);
std::string StatusText();

// Reloads "UIDL" into the row table, deleting the list items first. Any thread.
void RebuildMailRows();
// The same with rows built by the caller (the check, from the list it just saved).
void ReplaceMailRows(MailRowTable rows);
// Re-inserts the rows into the list view as ViewAllMail says. Any thread.
void FillMailList();
// Deletes the list items and frees the rows. Main thread (the list window's destruction).
void ClearMailRows();

// The row table, for the mail list window's display and sorting. Main thread only.
const MailRowTable& MailRows();
// The rows the list view shows, item i being element i. The list view is virtual (owner
// data): FillMailList sets its item count, the window asks for texts by index and sorts
// by reordering this table. Emptied before the rows change. Main thread only.
std::vector<const MailRow*>& ShownMailRows();

// The main window's handler of MailRowsMessage; returns 1 when it carried the step out.
LRESULT OnMailRowsMessage(WPARAM wParam, LPARAM lParam);

}  // namespace mailwick
