// The Connection page: whether and how dial-up networking is used.
#include <array>

#include "checker/dialup.h"
#include "checker/logic/options_rules.h"
#include "checker/options/options_pages.h"
#include "checker/options/options_res.h"
#include "checker/options/options_texts.h"
#include "common/controls.h"

namespace mailwick {

namespace {

constexpr auto kHelpPairs = std::to_array<DWORD>({
    IDC_NO_DIALUP, IDH_NO_DIALUP, IDC_USE_DIALUP, IDH_USE_DIALUP, IDC_DIALUP_ENTRY, IDH_DIALUP_ENTRY,
    IDC_ESTABLISH, IDH_ESTABLISH, IDC_EXISTING_ONLY, IDH_EXISTING_ONLY, IDC_DISCONNECT, IDH_DISCONNECT,
    IDC_KEEP_IF_NEW_MAIL, IDH_KEEP_IF_NEW_MAIL, 0, 0});

}  // namespace

ConnectionPage::ConnectionPage(Settings& working) : OptionsPage(working, IDH_CONNECTION_PAGE, kHelpPairs) {}

LRESULT ConnectionPage::OnSetActive() {
    HWND combo = Item(IDC_DIALUP_ENTRY);
    FillRasEntryList(combo);
    SetChecked(IDC_NO_DIALUP, working_.GetUseRAS() == 0);
    SetChecked(IDC_USE_DIALUP, working_.GetUseRAS() == 1);
    if (!ComboSelectNamed(combo, working_.GetRASEntry())) SendMessageA(combo, CB_SETCURSEL, 0, 0);
    SetChecked(IDC_ESTABLISH, working_.GetRASEstab() == 1);
    SetChecked(IDC_EXISTING_ONLY, working_.GetCheckRAS() == 1);
    SetChecked(IDC_DISCONNECT, working_.GetRASDisconnect() == 1);
    SetChecked(IDC_KEEP_IF_NEW_MAIL, working_.GetRASDisconExceptNewMail() == 1);
    ApplyEnablingRules();
    return 0;
}

void ConnectionPage::ApplyEnablingRules() const {
    const DialupEnables e = DialupEnablesFor(IsChecked(IDC_USE_DIALUP), IsChecked(IDC_EXISTING_ONLY),
                                             IsChecked(IDC_DISCONNECT));
    EnableItem(IDC_DIALUP_ENTRY, e.entry);
    EnableItem(IDC_DIALUP_ENTRY_LABEL, e.entry);
    EnableItem(IDC_EXISTING_ONLY, e.existingOnly);
    EnableItem(IDC_ESTABLISH, e.establish);
    EnableItem(IDC_DISCONNECT, e.disconnect);
    EnableItem(IDC_KEEP_IF_NEW_MAIL, e.keepIfNewMail);
}

bool ConnectionPage::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_NO_DIALUP:
        case IDC_USE_DIALUP:
            SetChecked(IDC_NO_DIALUP, id == IDC_NO_DIALUP);
            SetChecked(IDC_USE_DIALUP, id == IDC_USE_DIALUP);
            break;
        case IDC_EXISTING_ONLY:
        case IDC_DISCONNECT:
        case IDC_KEEP_IF_NEW_MAIL:
        case IDC_ESTABLISH: Toggle(id); break;
        default: return false;
    }
    ApplyEnablingRules();
    return true;
}

bool ConnectionPage::OnKillActive() {
    working_.SetUseRAS(IsChecked(IDC_USE_DIALUP) ? 1 : 0);
    working_.SetRASEntry(ItemText(IDC_DIALUP_ENTRY));
    working_.SetCheckRAS(IsChecked(IDC_EXISTING_ONLY) ? 1 : 0);
    working_.SetRASEstab(IsChecked(IDC_ESTABLISH) ? 1 : 0);
    working_.SetRASDisconnect(IsChecked(IDC_DISCONNECT) ? 1 : 0);
    working_.SetRASDisconExceptNewMail(IsChecked(IDC_KEEP_IF_NEW_MAIL) ? 1 : 0);
    if (working_.GetUseRAS() == 1 && working_.GetRASEntry()[0] == '\0') {
        Refuse(kNoDialupEntryText, kConnectionPageCaption);
        return false;
    }
    return true;
}

void ConnectionPage::CopyToLive(Settings& live) const {
    live.SetUseRAS(working_.GetUseRAS());
    live.SetRASEntry(working_.GetRASEntry());
    live.SetRASEstab(working_.GetRASEstab());
    live.SetCheckRAS(working_.GetCheckRAS());
    live.SetRASDisconnect(working_.GetRASDisconnect());
    live.SetRASDisconExceptNewMail(working_.GetRASDisconExceptNewMail());
    live.SetRASDisconExceptExist(working_.GetRASDisconExceptExist());
}

}  // namespace mailwick
