#include "common/dialog.h"

#include <vector>

#include "common/message_loop.h"

namespace mailwick {

INT_PTR Dialog::RunModal(HINSTANCE instance, const char* templateName, HWND owner) {
    if (hwnd_) return -1;  // one dialog per object
    modal_ = true;
    return DialogBoxParamA(instance, templateName, owner, Procedure, reinterpret_cast<LPARAM>(this));
}

HWND Dialog::CreateModeless(HINSTANCE instance, const char* templateName, HWND owner) {
    if (hwnd_) return nullptr;
    modal_ = false;
    HWND hwnd = CreateDialogParamA(instance, templateName, owner, Procedure, reinterpret_cast<LPARAM>(this));
    // A dialog that ended while it was set up is gone: its handle value may come back
    // for another window, so it must not stay in the loop's list.
    if (!hwnd || hwnd != hwnd_) return nullptr;
    AddModelessDialog(hwnd);
    return hwnd;
}

void Dialog::End(INT_PTR result) {
    if (!hwnd_) return;
    if (modal_) {
        EndDialog(hwnd_, result);
    } else {
        DestroyWindow(hwnd_);
    }
}

std::string Dialog::ItemText(int id) const {
    HWND item = Item(id);
    const int length = item ? GetWindowTextLengthA(item) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (item) text.resize(static_cast<size_t>(GetWindowTextA(item, text.data(), length + 1)));
    else text.clear();
    return text;
}

bool Dialog::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
        case IDOK: OnOK(); return true;
        case IDCANCEL: OnCancel(); return true;
        default: return false;
    }
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = 0;
    switch (message) {
        case WM_INITDIALOG:
            return OnInit();
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
        case WM_NOTIFY: {
            LRESULT notifyResult = 0;
            if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), notifyResult)) return FALSE;
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, notifyResult);
            return TRUE;
        }
        case WM_TIMER:
            return OnTimer(wParam) ? TRUE : FALSE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return OnMessage(message, wParam, lParam, result) ? result : FALSE;
    }
}

INT_PTR Dialog::Guarded(Dialog* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(message, wParam, lParam);
    } catch (...) {
        result = FALSE;
        // A dialog whose set-up failed would open half made; a page stays, as the sheet owns it.
        if (message == WM_INITDIALOG && !self->page_) {
            if (self->modal_) EndDialog(hwnd, -1);
            else DestroyWindow(hwnd);
        }
    }
    if (message == WM_NCDESTROY) {
        RemoveModelessDialog(hwnd);
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        try {
            self->OnDetached();
        } catch (...) {
        }
    }
    return result;
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        if (self) {
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        }
    }
    return self ? Guarded(self, hwnd, message, wParam, lParam) : FALSE;
}

INT_PTR CALLBACK PropertyPage::PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
        if (self) {
            self->hwnd_ = hwnd;
            self->modal_ = false;
            self->page_ = true;
            SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        }
    }
    return self ? Guarded(self, hwnd, message, wParam, lParam) : FALSE;
}

bool PropertyPage::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != Sheet()) return false;
    switch (header.code) {
        case PSN_SETACTIVE: result = OnSetActive(); return true;
        case PSN_KILLACTIVE: result = OnKillActive() ? FALSE : TRUE; return true;
        case PSN_APPLY: result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE; return true;
        case PSN_RESET: OnReset(); result = 0; return true;
        case PSN_HELP: OnHelp(); result = 0; return true;
        case PSN_WIZNEXT: result = OnWizardNext(); return true;
        case PSN_WIZBACK: result = OnWizardBack(); return true;
        case PSN_WIZFINISH: result = OnWizardFinish() ? FALSE : TRUE; return true;
        default: return false;
    }
}

INT_PTR RunPropertySheet(const SheetOptions& options, std::span<const PageEntry> pages) {
    std::vector<PROPSHEETPAGEA> sheetPages;
    for (const PageEntry& entry : pages) {
        if (!entry.included) continue;
        PROPSHEETPAGEA page{};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_DEFAULT | entry.flags;
        page.hInstance = options.instance;
        page.pszTemplate = entry.templateName;
        page.pfnDlgProc = PropertyPage::PageProcedure;
        page.lParam = reinterpret_cast<LPARAM>(entry.page);
        sheetPages.push_back(page);
    }
    if (sheetPages.empty()) return -1;
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | options.flags;
    header.hwndParent = options.owner;
    header.hInstance = options.instance;
    header.pszCaption = options.caption;
    header.nPages = static_cast<UINT>(sheetPages.size());
    header.ppsp = sheetPages.data();
    return PropertySheetA(&header);
}

}  // namespace mailwick
