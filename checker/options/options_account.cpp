// The Account page: the POP3 account and the mail program.
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "checker/autoconfig/autoconfig.h"
#include "checker/autoconfig/mail_clients.h"
#include "checker/options/options_pages.h"
#include "checker/options/options_res.h"
#include "checker/options/options_texts.h"
#include "common/controls.h"
#include "common/message_box.h"
#include "pop3/pop3_session.h"

namespace mailwick {

namespace {

constexpr auto kHelpPairs = std::to_array<DWORD>({
    IDC_MAIL_CLIENT, IDH_MAIL_CLIENT, IDC_AUTOCONFIG, IDH_AUTOCONFIG, IDC_SERVER, IDH_SERVER,
    IDC_USERNAME, IDH_USERNAME, IDC_PASSWORD, IDH_PASSWORD, IDC_SECURITY, IDH_SECURITY, IDC_PORT, IDH_PORT, 0, 0});

// In the order of the stored "Security" values.
const std::vector<std::string> kSecurityNames = {"None", "STARTTLS", "SSL/TLS"};

// The combo box's own case-insensitive prefix search; an empty name selects nothing.
bool SelectByPrefix(HWND combo, const std::string& name) {
    if (name.empty()) return false;
    return SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name.c_str())) !=
           CB_ERR;
}

}  // namespace

AccountPage::AccountPage(Settings& working) : OptionsPage(working, IDH_ACCOUNT_PAGE, kHelpPairs) {}

// The first page is made with the sheet: the sheet of a tray program that has no window
// of its own would otherwise open in a corner, behind whatever the user works in.
BOOL AccountPage::OnInit() {
    // Typing stops at what the settings keep, rather than the text being cut on leaving.
    for (int id : {IDC_SERVER, IDC_USERNAME, IDC_PASSWORD}) {
        SendMessageA(Item(id), EM_LIMITTEXT, kShortTextWidth - 1, 0);
    }
    CentreOnScreen(Sheet());
    SetForegroundWindow(Sheet());
    return TRUE;
}

LRESULT AccountPage::OnSetActive() {
    SetItemText(IDC_SERVER, working_.GetServer());
    SetItemText(IDC_USERNAME, working_.GetUsername());
    SetItemText(IDC_PASSWORD, working_.GetPassword());
    HWND combo = Item(IDC_MAIL_CLIENT);
    FillMailClientList(combo);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    if (!SelectByPrefix(combo, working_.GetMailProgramName())) SelectByPrefix(combo, DefaultMailClient());
    ComboFill(Item(IDC_SECURITY), kSecurityNames);
    const int32_t security = working_.GetSecurity();
    SendMessageA(Item(IDC_SECURITY), CB_SETCURSEL, security >= 0 && security <= 2 ? security : -1, 0);
    const uint32_t port = working_.GetServerPort();
    SetItemText(IDC_PORT, std::to_string(port != 0 ? port : static_cast<uint32_t>(pop3::DefaultPort(security))).c_str());
    return 0;
}

bool AccountPage::OnKillActive() {
    const std::string port = ItemText(IDC_PORT);
    const unsigned long portNumber = port.size() <= 5 ? std::strtoul(port.c_str(), nullptr, 10) : 0;
    if (portNumber > 65535 || (!port.empty() && portNumber == 0)) {
        ShowMessageBox(Handle(), kPortRangeText, kAccountPageCaption, MB_OK);
        return false;
    }
    const int security = static_cast<int>(SendMessageA(Item(IDC_SECURITY), CB_GETCURSEL, 0, 0));
    if (security >= 0) working_.SetSecurity(security);
    // The usual port of the mode is stored as 0, so it follows a later change of mode.
    working_.SetServerPort(portNumber == static_cast<unsigned long>(pop3::DefaultPort(working_.GetSecurity()))
                               ? 0
                               : static_cast<uint32_t>(portNumber));
    working_.SetServer(ItemText(IDC_SERVER));
    working_.SetUsername(ItemText(IDC_USERNAME));
    working_.SetPassword(ItemText(IDC_PASSWORD));
    working_.SetMailProgramName(ItemText(IDC_MAIL_CLIENT));
    working_.SetMailProgramFile(MailClientLaunchCommand(working_.GetMailProgramName()));
    return true;
}

bool AccountPage::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_SECURITY && code == CBN_SELCHANGE) {
        const int security = static_cast<int>(SendMessageA(Item(IDC_SECURITY), CB_GETCURSEL, 0, 0));
        if (security >= 0) SetItemText(IDC_PORT, std::to_string(pop3::DefaultPort(security)).c_str());
        return true;
    }
    if (id != IDC_AUTOCONFIG || code != BN_CLICKED) return false;
    AutoConfigure(Handle(), IDC_SERVER, IDC_USERNAME, IDC_PASSWORD, ItemText(IDC_MAIL_CLIENT).c_str(), IDC_SECURITY,
                  IDC_PORT);
    return true;
}

void AccountPage::CopyToLive(Settings& live) const {
    live.SetUsername(working_.GetUsername());
    live.SetPassword(working_.GetPassword());
    live.SetServer(working_.GetServer());
    live.SetMailProgramName(working_.GetMailProgramName());
    live.SetMailProgramFile(working_.GetMailProgramFile());
    live.SetSecurity(working_.GetSecurity());
    live.SetServerPort(working_.GetServerPort());
}

}  // namespace mailwick
