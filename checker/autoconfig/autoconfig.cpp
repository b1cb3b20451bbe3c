#include "checker/autoconfig/autoconfig.h"

#include <string>

#include "checker/autoconfig/autoconfig_res.h"
#include "checker/autoconfig/autoconfig_sources.h"
#include "checker/autoconfig/autoconfig_texts.h"
#include "common/app_identity.h"
#include "common/controls.h"
#include "common/dialog.h"
#include "common/fill_text.h"
#include "common/message_box.h"
#include "pop3/pop3_session.h"

namespace mailwick {

namespace {

class AutoconfigDialog : public Dialog {
public:
    AutoconfigDialog(const std::string& client, const MailAccount& account)
        : client_(client), account_(account) {}

    const std::string& Password() const { return password_; }

protected:
    BOOL OnInit() override {
        CentreOnScreen(Handle());
        SetItemText(IDC_AUTOCONFIG_CLIENT, client_.c_str());
        SetItemText(IDC_AUTOCONFIG_SERVER, account_.server.c_str());
        SetItemText(IDC_AUTOCONFIG_USER, account_.user.c_str());
        // What is typed beyond the field's width would be lost: do not take it.
        SendMessageA(Item(IDC_AUTOCONFIG_PASSWORD), EM_LIMITTEXT, kAutoconfigPasswordWidth, 0);
        return TRUE;
    }

    void OnOK() override {
        password_ = ItemText(IDC_AUTOCONFIG_PASSWORD).substr(0, kAutoconfigPasswordWidth);
        End(password_.empty() ? 0 : 1);
    }

    void OnCancel() override { End(0); }

private:
    std::string client_;
    MailAccount account_;
    std::string password_;
};

}  // namespace

int32_t AutoConfigure(HWND page, int serverFieldId, int userFieldId, int passwordFieldId,
                      const char* clientName, int securityFieldId, int portFieldId) {
    const std::string client = std::string(clientName ? clientName : "").substr(0, kAutoconfigClientWidth);
    const MailAccount account = FindMailAccount(client);
    if (account.server.empty() || account.user.empty()) {
        // Not by printf: a '%' in the name stays a '%'.
        ShowMessageBox(page, FillText(kAutoconfigUnableFormat, {client}).c_str(), kProductName, MB_OK);
        return 0;
    }
    AutoconfigDialog dialog(client, account);
    const INT_PTR result = dialog.RunModal(GetModuleHandleA(nullptr), IDD_AUTOCONFIG, page);
    if (result == -1) return 0;
    if (result == 1) {
        SetDlgItemTextA(page, serverFieldId, account.server.c_str());
        SetDlgItemTextA(page, userFieldId, account.user.c_str());
        SetDlgItemTextA(page, passwordFieldId, dialog.Password().c_str());
        if (account.security && securityFieldId != 0) {
            SendDlgItemMessageA(page, securityFieldId, CB_SETCURSEL, static_cast<WPARAM>(*account.security), 0);
            // Shown as a number like a chosen security's port; the page stores the usual one as 0.
            const uint32_t port = account.port != 0 ? account.port
                                                    : static_cast<uint32_t>(pop3::DefaultPort(*account.security));
            if (portFieldId != 0) SetDlgItemTextA(page, portFieldId, std::to_string(port).c_str());
        }
    }
    return 1;
}

}  // namespace mailwick
