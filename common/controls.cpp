#include "common/controls.h"

namespace mailwick {

void CentreOnScreen(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r)) return;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, left, top, width, height, FALSE);
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

int ListViewAddColumn(HWND listView, int index, const char* title, int width, int format) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    return static_cast<int>(SendMessageA(listView, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
}

int ListViewAddItem(HWND listView, int index, const char* text, int image, LPARAM param) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iImage = image;
    item.lParam = param;
    return static_cast<int>(SendMessageA(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ComboFill(HWND combo, const std::vector<std::string>& entries) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
}

bool ComboSelect(HWND combo, std::string_view text) {
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int length = static_cast<int>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0));
        if (length < 0) continue;
        std::string entry(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(static_cast<size_t>(length));
        if (entry == text) {
            SendMessageA(combo, CB_SETCURSEL, i, 0);
            return true;
        }
    }
    return false;
}

bool ComboSelectNamed(HWND combo, const char* text) {
    const auto name = reinterpret_cast<LPARAM>(text);
    const LRESULT exact = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), name);
    if (exact != CB_ERR) return SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(exact), 0) != CB_ERR;
    return SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), name) != CB_ERR;
}

std::string ComboSelectedText(HWND combo) {
    const int index = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    if (index < 0) return {};
    const int length = static_cast<int>(SendMessageA(combo, CB_GETLBTEXTLEN, index, 0));
    if (length < 0) return {};
    std::string entry(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(entry.data()));
    entry.resize(static_cast<size_t>(length));
    return entry;
}

bool IsButtonChecked(HWND button) {
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetButtonChecked(HWND button, bool checked) {
    SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace mailwick
