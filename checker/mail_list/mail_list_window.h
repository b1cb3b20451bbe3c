// The mail list window: the messages of the stored list in a six-column report list with
// a status bar, opened by the tray's Open. There is at most one; its rows and status text
// (mail_rows.h) outlive it.
#pragma once

#include <windows.h>

#include "checker/logic/mail_row.h"
#include "common/window.h"

namespace mailwick {

inline constexpr char kListWindowClass[] = "AppUserWClass";

// Registers AppUserWClass: icon 400, arrow cursor, white background, class menu USERMENU.
bool RegisterMailListClass(HINSTANCE instance);

// Command 202 on the main window: acknowledges pending new mail, creates the window when
// it is not open, and brings it to the front, restored.
void OpenMailListWindow(HWND mainWindow);
// Closes the window, when open, through its own close, which saves its layout.
void CloseMailListWindow();

// Sort order of two rows by `column` (0 Received, 1 Date, 2 From, 3 Subject, 4 To as text
// without regard to case, 5 Size as a number): negative, zero or positive, reversed
// unless `ascending`. A missing row or another column compares equal.
int CompareMailRows(const MailRow* row1, const MailRow* row2, int column, int ascending);

inline constexpr int kMailColumns = 6;
inline constexpr int kNoSortColumn = 4095;
inline constexpr int kDefaultColumnWidths[kMailColumns] = {113, 95, 116, 215, 100, 58};

class MailListWindow : public Window {
public:
    int SortColumn() const { return sortColumn_; }
    int SortAscending() const { return sortAscending_; }

protected:
    bool OnCreate(const CREATESTRUCTA&) override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnSize(UINT kind, int width, int height) override;
    bool OnInitMenu(HMENU menu) override;
    bool OnClose() override;
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HWND CreateListView();
    bool CreateStatusBar();
    void LoadLayout();
    void SaveLayout() const;
    void SetViewAllMail(int value);
    void OnColumnClick(int column);
    void SortBy(int column);
    void SetItemState(int item, UINT state, UINT mask) const;
    void OnGetDispInfo(NMLVDISPINFOA& info);

    HWND listView_ = nullptr;
    HWND statusBar_ = nullptr;
    int sortColumn_ = kNoSortColumn;
    int sortAscending_ = 0;
    int partEdges_[2] = {0, -1};
    // Date and size cells are formatted here; the list view copies the text at once.
    char cell_[128] = "";
};

}  // namespace mailwick
