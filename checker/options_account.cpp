// The Account page: the POP3 account and the mail program.
#include <array>

#include "checker/autoconfig.h"
#include "checker/mail_clients.h"
#include "checker/options_pages.h"
#include "checker/options_res.h"
#include "common/controls.h"

namespace mailwick {

namespace {

constexpr auto kHelpPairs = std::to_array<DWORD>({
    IDC_MAIL_CLIENT, IDH_MAIL_CLIENT, IDC_AUTOCONFIG, IDH_AUTOCONFIG, IDC_SERVER, IDH_SERVER,
    IDC_USERNAME, IDH_USERNAME, IDC_PASSWORD, IDH_PASSWORD, 0, 0});

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
    return 0;
}

bool AccountPage::OnKillActive() {
    working_.SetServer(ItemText(IDC_SERVER));
    working_.SetUsername(ItemText(IDC_USERNAME));
    working_.SetPassword(ItemText(IDC_PASSWORD));
    working_.SetMailProgramName(ItemText(IDC_MAIL_CLIENT));
    working_.SetMailProgramFile(MailClientLaunchCommand(working_.GetMailProgramName()));
    return true;
}

bool AccountPage::OnCommand(WORD id, WORD code, HWND) {
    if (id != IDC_AUTOCONFIG || code != BN_CLICKED) return false;
    AutoConfigure(Handle(), IDC_SERVER, IDC_USERNAME, IDC_PASSWORD, ItemText(IDC_MAIL_CLIENT).c_str());
    return true;
}

void AccountPage::CopyToLive(Settings& live) const {
    live.SetUsername(working_.GetUsername());
    live.SetPassword(working_.GetPassword());
    live.SetServer(working_.GetServer());
    live.SetMailProgramName(working_.GetMailProgramName());
    live.SetMailProgramFile(working_.GetMailProgramFile());
}

}  // namespace mailwick
