#include "checker/mail_list/mail_list_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <string>
#include <unordered_set>
#include <string_view>

#include "checker/checker_state.h"
#include "checker/logic/mail_cells.h"
#include "checker/logic/stored_sizes.h"
#include "checker/mail_list/mail_list_res.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/mail_list/sort_keys.h"
#include "checker/notification.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/tray.h"
#include "common/controls.h"
#include "common/message_box.h"
#include "common/registry.h"

namespace mailwick {

namespace {

// The stored placement is the 32-bit record, whose size x64 shares.
static_assert(sizeof(WINDOWPLACEMENT) == kStoredPlacementBytes);

constexpr char kListWindowTitle[] = "Mailwick";
constexpr int kRowImageSeen = 0;
constexpr int kRowImageNew = 1;

// The one mail list window object; a new one replaces it at the next open once the old
// window is gone.
std::unique_ptr<MailListWindow> g_listWindow;

std::string ColumnValueName(int column) {
    char name[16];
    std::snprintf(name, sizeof name, "LvC%d", column);
    return name;
}

const std::string* TextField(const MailRow& row, int column) {
    switch (column) {
        case 0: return &row.received;
        case 1: return &row.date;
        case 2: return &row.from;
        case 3: return &row.subject;
        case 4: return &row.to;
        default: return nullptr;
    }
}

int CurrentAccountValid() {
    Settings settings = SettingsSnapshot();
    return ValidateAccount(settings);
}

bool PassedOnToMainWindow(WORD id) {
    switch (id) {
        case IDM_CHECK_NOW:
        case IDM_OPTIONS:
        case IDM_START_CHECKING:
        case IDM_STOP_CHECKING:
        case IDM_READ_MAIL:
        case IDM_HELP_CONTENTS:
        case IDM_ABOUT:
        case IDM_HOMEPAGE:
        case IDM_MAIL_AUTHOR: return true;
        default: return false;
    }
}

}  // namespace

int CompareMailRows(const MailRow* row1, const MailRow* row2, int column, int ascending) {
    if (!row1 || !row2) return 0;
    if (!ascending) std::swap(row1, row2);
    if (column == 5) return (row1->size > row2->size) - (row1->size < row2->size);
    std::string_view key1, key2;
    if (RowSortKey(*row1, column, &key1) && RowSortKey(*row2, column, &key2)) return key1.compare(key2);
    const std::string* a = TextField(*row1, column);
    const std::string* b = TextField(*row2, column);
    return a && b ? lstrcmpiA(a->c_str(), b->c_str()) : 0;
}

bool RegisterMailListClass(HINSTANCE instance) {
    return RegisterWindowClass(instance, kListWindowClass, LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP)),
                               "UserMenu");
}

void OpenMailListWindow(HWND mainWindow) {
    AcknowledgeNewMail(mainWindow);
    if (g_process.listWindowOpen.load() == 0) {
        auto window = std::make_unique<MailListWindow>();
        HWND hwnd = window->Create(g_process.instance, kListWindowClass, kListWindowTitle, WS_OVERLAPPEDWINDOW);
        if (hwnd) {
            g_process.listWindowOpen.store(1);
            g_process.mailListWindow.store(hwnd);
            g_listWindow = std::move(window);
        }
    }
    if (HWND hwnd = g_process.mailListWindow.load()) {
        SetForegroundWindow(hwnd);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        // The process's first ShowWindow takes the show command it was started with (hidden
        // or minimised when started that way), so the first Open would show nothing.
        if (!IsWindowVisible(hwnd) || IsIconic(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
    }
}

void CloseMailListWindow() {
    if (HWND hwnd = g_process.mailListWindow.load()) SendMessageA(hwnd, WM_CLOSE, 0, 0);
}

bool MailListWindow::OnCreate(const CREATESTRUCTA&) {
    g_process.listWindowOpen.store(1);
    g_process.mailListWindow.store(Handle());
    DWORD viewAll = 1;
    if (RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath); !key || !key.ReadNumber("ViewAllMail", &viewAll)) {
        viewAll = 1;
    }
    g_process.viewAllMail.store(static_cast<std::int32_t>(viewAll));

    listView_ = CreateListView();
    if (!listView_) return false;
    if (!CreateStatusBar()) {
        g_process.listView.store(nullptr);
        DestroyWindow(listView_);
        listView_ = nullptr;
        return false;
    }
    LoadLayout();
    return true;
}

HWND MailListWindow::CreateListView() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    RECT client{};
    GetClientRect(Handle(), &client);
    const HINSTANCE instance = g_process.instance;
    HWND view = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_EDITLABELS | LVS_OWNERDATA,
                                0, 0, client.right, client.bottom, Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIL_LIST)), instance, nullptr);
    if (!view) return nullptr;

    // Images: 0 for messages already seen (a transparent icon), 1 for new ones. The list
    // copies them; shared icons are not ours to free, so every open costs no handles.
    HIMAGELIST images = ImageList_Create(16, 16, ILC_MASK, 3, 0);
    HICON seen = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_ROW_SEEN), IMAGE_ICON, 16, 16, LR_SHARED));
    if (!seen) ShowMessageBox(nullptr, "407 not loaded", "CreateListView", MB_OK);
    if (ImageList_AddIcon(images, seen) != kRowImageSeen) {
        ShowMessageBox(nullptr, "407 AddIcon failed", "CreateListView", MB_OK);
    }
    ImageList_AddIcon(images,
                      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_ROW_NEW), IMAGE_ICON, 16, 16, LR_SHARED)));
    SendMessageA(view, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));

    for (int column = 0; column < kMailColumns; ++column) {
        char title[260] = "";
        LoadStringA(instance, IDS_COLUMN_FIRST + column, title, sizeof title);
        if (ListViewAddColumn(view, column, title, 50) < 0) {
            DestroyWindow(view);
            return nullptr;
        }
    }

    g_process.listView.store(view);
    RebuildMailRows();
    FillMailList();
    listView_ = view;
    sortColumn_ = kNoSortColumn;
    sortAscending_ = 0;
    SortBy(0);  // newest Received first; no column counts as clicked yet
    return view;
}

bool MailListWindow::CreateStatusBar() {
    statusBar_ = CreateStatusWindowA(WS_CHILD | WS_VISIBLE, "", Handle(), IDC_MAIL_STATUS);
    if (!statusBar_) return false;
    g_process.statusBar.store(statusBar_);
    RECT client{};
    GetClientRect(Handle(), &client);
    partEdges_[0] = client.right / 2;
    SendMessageA(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(partEdges_));
    char notice[128] = "";
    LoadStringA(g_process.instance, IDS_LIST_NOTICE, notice, sizeof notice);
    SendMessageA(statusBar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
    SendMessageA(statusBar_, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(notice));
    SendMessageA(statusBar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(StatusText().c_str()));
    InvalidateRect(statusBar_, nullptr, TRUE);
    return true;
}

void MailListWindow::LoadLayout() {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
    for (int column = 0; column < kMailColumns; ++column) {
        DWORD width = 0;
        if (!key || !key.ReadNumber(ColumnValueName(column).c_str(), &width)) width = kDefaultColumnWidths[column];
        SendMessageA(listView_, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(LOWORD(width), 0));
    }
    WINDOWPLACEMENT placement{};
    DWORD length = 0;
    if (key && key.ReadValue("Placement", &placement, sizeof placement, nullptr, &length) &&
        IsStoredPlacement(length)) {
        placement.length = sizeof placement;
        SetWindowPlacement(Handle(), &placement);
    }
}

// Saved on every close, changed or not.
void MailListWindow::SaveLayout() const {
    RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
    if (!key) return;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(Handle(), &placement);
    key.WriteValue("Placement", REG_BINARY, &placement, sizeof placement);
    for (int column = 0; column < kMailColumns; ++column) {
        const auto width = static_cast<DWORD>(SendMessageA(listView_, LVM_GETCOLUMNWIDTH, column, 0));
        key.WriteDword(ColumnValueName(column).c_str(), width);
    }
    key.WriteBinary32("ViewAllMail", static_cast<DWORD>(g_process.viewAllMail.load()));
}

bool MailListWindow::OnCommand(WORD id, WORD, HWND) {
    if (PassedOnToMainWindow(id)) {
        SendMessageA(g_process.mainWindow.load(), WM_COMMAND, id, 0);
        return true;
    }
    switch (id) {
        case IDM_EXIT: SendMessageA(Handle(), WM_CLOSE, 0, 0); return true;
        case IDM_NEW_MAIL_ONLY: SetViewAllMail(0); return true;
        case IDM_ALL_MAIL: SetViewAllMail(1); return true;
        default: return false;
    }
}

void MailListWindow::SetViewAllMail(int value) {
    CheckMenuRadioItem(GetMenu(Handle()), IDM_NEW_MAIL_ONLY, IDM_ALL_MAIL, value ? IDM_ALL_MAIL : IDM_NEW_MAIL_ONLY,
                       MF_BYCOMMAND);
    g_process.viewAllMail.store(value);
    FillMailList();
}

bool MailListWindow::OnInitMenu(HMENU menu) {
    UpdateMenuState(CurrentAccountValid());
    CheckMenuRadioItem(menu, IDM_NEW_MAIL_ONLY, IDM_ALL_MAIL,
                       g_process.viewAllMail.load() != 0 ? IDM_ALL_MAIL : IDM_NEW_MAIL_ONLY, MF_BYCOMMAND);
    return true;
}

bool MailListWindow::OnNotify(const NMHDR& header, LRESULT& result) {
    result = 0;
    if (header.idFrom != IDC_MAIL_LIST) return true;
    switch (header.code) {
        case LVN_GETDISPINFOA:
            OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header)));
            break;
        case LVN_COLUMNCLICK: OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem); break;
        case LVN_BEGINLABELEDITA:
        case LVN_BEGINLABELEDITW: result = 1; break;  // the rows are not editable
        case LVN_ODFINDITEMA:
        case LVN_ODFINDITEMW: result = -1; break;  // typing finds nothing in a date column
        default: break;
    }
    return true;
}

void MailListWindow::OnGetDispInfo(NMLVDISPINFOA& info) {
    const std::vector<const MailRow*>& shown = ShownMailRows();
    if (info.item.iItem < 0 || static_cast<size_t>(info.item.iItem) >= shown.size()) return;
    const MailRow& row = *shown[static_cast<size_t>(info.item.iItem)];
    if (info.item.mask & LVIF_IMAGE) info.item.iImage = row.isNew == 1 ? kRowImageNew : kRowImageSeen;
    if (!(info.item.mask & LVIF_TEXT)) return;
    switch (info.item.iSubItem) {
        case 0:
        case 1: {
            const std::string text = StampCellText(info.item.iSubItem == 0 ? row.received : row.date);
            lstrcpynA(cell_, text.c_str(), sizeof cell_);
            info.item.pszText = cell_;
            break;
        }
        case 2: info.item.pszText = const_cast<char*>(row.from.c_str()); break;
        case 3: info.item.pszText = const_cast<char*>(row.subject.c_str()); break;
        case 4: info.item.pszText = const_cast<char*>(row.to.c_str()); break;
        case 5:
            lstrcpynA(cell_, SizeCellText(row.size).c_str(), sizeof cell_);
            info.item.pszText = cell_;
            break;
        default: break;
    }
}

// The first click on a column sorts it descending; each further click reverses.
void MailListWindow::OnColumnClick(int column) {
    if (column != sortColumn_) sortAscending_ = 0;
    else sortAscending_ = sortAscending_ == 1 ? 0 : 1;
    sortColumn_ = column;
    SortBy(column);
}

// The list is virtual, so sorting reorders the shown rows; equal rows keep their order.
// The list view keeps its selection by position, so the selected and focused rows are
// found again after the sort and the selection moves with them.
void MailListWindow::SortBy(int column) {
    std::vector<const MailRow*>& shown = ShownMailRows();
    const auto rowAt = [&shown](LRESULT i) -> const MailRow* {
        return i >= 0 && static_cast<size_t>(i) < shown.size() ? shown[static_cast<size_t>(i)] : nullptr;
    };
    std::unordered_set<const MailRow*> selected;
    for (LRESULT i = -1; (i = SendMessageA(listView_, LVM_GETNEXTITEM, i, LVNI_SELECTED)) >= 0;) {
        if (const MailRow* row = rowAt(i)) selected.insert(row);
    }
    const MailRow* focused = rowAt(SendMessageA(listView_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));

    const int ascending = sortAscending_;
    std::stable_sort(shown.begin(), shown.end(), [column, ascending](const MailRow* a, const MailRow* b) {
        return CompareMailRows(a, b, column, ascending) < 0;
    });

    if (!selected.empty() || focused) {
        SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (size_t i = 0; i < shown.size(); ++i) {
            UINT state = selected.count(shown[i]) ? LVIS_SELECTED : 0;
            if (shown[i] == focused) state |= LVIS_FOCUSED;
            if (state) SetItemState(static_cast<int>(i), state, state);
            if (shown[i] == focused) {
                SendMessageA(listView_, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(i));
                SendMessageA(listView_, LVM_ENSUREVISIBLE, i, FALSE);
            }
        }
    }
    InvalidateRect(listView_, nullptr, TRUE);
}

void MailListWindow::SetItemState(int item, UINT state, UINT mask) const {
    LVITEMA change{};
    change.state = state;
    change.stateMask = mask;
    SendMessageA(listView_, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&change));
}

bool MailListWindow::OnSize(UINT, int width, int height) {
    if (!statusBar_ || !listView_) return false;
    // The bar places itself at the bottom edge whatever it is given.
    MoveWindow(statusBar_, 0, height - 10, width, height, TRUE);
    partEdges_[0] = width / 2;
    partEdges_[1] = -1;
    SendMessageA(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(partEdges_));
    RECT bar{};
    GetWindowRect(statusBar_, &bar);
    MoveWindow(listView_, 0, 0, width - 1, height - (bar.bottom - bar.top) - 1, TRUE);
    return true;
}

bool MailListWindow::OnClose() {
    SaveLayout();
    DestroyWindow(Handle());
    return true;
}

void MailListWindow::OnDestroy() {
    g_process.listWindowOpen.store(0);
    ClearMailRows();
    g_process.mailListWindow.store(nullptr);
    g_process.listView.store(nullptr);
    g_process.statusBar.store(nullptr);
    listView_ = nullptr;
    statusBar_ = nullptr;
}

bool MailListWindow::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    // Keyboard users land in the list, not on the empty frame.
    if (message == WM_SETFOCUS && listView_) {
        SetFocus(listView_);
        result = 0;
        return true;
    }
    return false;
}

}  // namespace mailwick
