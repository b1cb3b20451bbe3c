// Dialogs and property-sheet pages as objects: one guarded procedure attaches the object
// given at creation (DialogBoxParam, CreateDialogParam, PROPSHEETPAGE.lParam) and calls
// its small handlers. No exception crosses back into Windows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <span>
#include <string>

namespace mailwick {

class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND Handle() const { return hwnd_; }

    // Modal; returns the value given to End, or -1 when the dialog could not be made (an
    // OnInit that throws ends it so). One dialog per object at a time.
    INT_PTR RunModal(HINSTANCE instance, const char* templateName, HWND owner);
    // Modeless; the message loop gives it Tab, Enter and Esc. Null when it could not be made.
    HWND CreateModeless(HINSTANCE instance, const char* templateName, HWND owner);
    // Ends a modal dialog with `result`; destroys a modeless one.
    void End(INT_PTR result);

    // The dialog's items.
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const char* text) const { SetDlgItemTextA(hwnd_, id, text); }
    bool IsChecked(int id) const { return IsDlgButtonChecked(hwnd_, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) const { CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED); }
    void EnableItem(int id, bool enabled) const { EnableWindow(Item(id), enabled ? TRUE : FALSE); }

    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // WM_INITDIALOG; TRUE lets the system put the focus on the first tab stop.
    virtual BOOL OnInit() { return TRUE; }
    // The default sends IDOK to OnOK and IDCANCEL (also Esc and the close box) to OnCancel.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    virtual bool OnNotify(const NMHDR& /*header*/, LRESULT& /*result*/) { return false; }
    virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
    virtual void OnDestroy() {}
    // Every other message; true with `result` as the procedure's value when handled.
    virtual bool OnMessage(UINT /*message*/, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }
    // After WM_NCDESTROY: the handle is gone and the object detached.
    virtual void OnDetached() {}

    bool IsModal() const { return modal_; }

private:
    friend class PropertyPage;
    static INT_PTR Guarded(Dialog* self, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    bool modal_ = false;
    bool page_ = false;
};

// One page of a property sheet or wizard. The sheet's notifications arrive as the
// handlers below; their results go back through DWLP_MSGRESULT.
class PropertyPage : public Dialog {
public:
    static INT_PTR CALLBACK PageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // The sheet (or wizard) frame around the page.
    HWND Sheet() const { return GetParent(Handle()); }

protected:
    // PSN_SETACTIVE: 0 shows the page, -1 skips it.
    virtual LRESULT OnSetActive() { return 0; }
    // PSN_KILLACTIVE: false keeps the page (what it holds was refused).
    virtual bool OnKillActive() { return true; }
    // PSN_APPLY: OK, or Finish of a wizard. false keeps the sheet open.
    virtual bool OnApply() { return true; }
    // PSN_RESET: Cancel.
    virtual void OnReset() {}
    // PSN_HELP: the Help button.
    virtual void OnHelp() {}
    // PSN_WIZNEXT / PSN_WIZBACK: 0 goes on, -1 stays, a template id jumps there.
    virtual LRESULT OnWizardNext() { return 0; }
    virtual LRESULT OnWizardBack() { return 0; }
    // PSN_WIZFINISH: false keeps the wizard open.
    virtual bool OnWizardFinish() { return true; }

    bool OnNotify(const NMHDR& header, LRESULT& result) override;
};

// A page of a sheet: the object, its dialog template and whether the sheet shows it.
struct PageEntry {
    PropertyPage* page;
    const char* templateName;  // a name or MAKEINTRESOURCEA(id)
    bool included = true;
    DWORD flags = 0;  // PSP_ flags beyond PSP_DEFAULT, e.g. PSP_HASHELP
};

struct SheetOptions {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    const char* caption = "";
    DWORD flags = 0;  // PSH_ flags: PSH_NOAPPLYNOW, PSH_WIZARD, PSH_HASHELP, ...
};

// Shows a modal property sheet (or wizard) of the included pages, in table order.
// Returns PropertySheetA's result: >0 after OK or Finish, 0 after Cancel, -1 on failure.
INT_PTR RunPropertySheet(const SheetOptions& options, std::span<const PageEntry> pages);

}  // namespace mailwick
