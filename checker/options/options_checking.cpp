// The Checking page: the two intervals and start-up.
#include <array>

#include "checker/logic/options_rules.h"
#include "checker/options/options_pages.h"
#include "checker/options/options_res.h"
#include "checker/options/options_texts.h"
#include "checker/startup_shortcut.h"

namespace mailwick {

namespace {

constexpr auto kHelpPairs = std::to_array<DWORD>({
    IDC_OFFLINE_MINUTES, IDH_OFFLINE_MINUTES, IDC_ONLINE_MINUTES, IDH_ONLINE_MINUTES,
    IDC_RUN_AT_STARTUP, IDH_RUN_AT_STARTUP, IDC_AUTO_START, IDH_AUTO_START, 0, 0});

constexpr int kOfflineGroup[] = {IDC_OFFLINE_MINUTES, IDC_OFFLINE_GROUP, IDC_OFFLINE_TEXT, IDC_OFFLINE_LABEL,
                                 IDC_OFFLINE_UNIT};

}  // namespace

static_assert(kMaxIntervalMinutes == 71582, "the refusal text names the limit");

CheckingPage::CheckingPage(Settings& working) : OptionsPage(working, IDH_CHECKING_PAGE, kHelpPairs) {}

LRESULT CheckingPage::OnSetActive() {
    SetItemText(IDC_OFFLINE_MINUTES, IntervalMinutesText(working_.GetCheckFreqLO()).c_str());
    SetItemText(IDC_ONLINE_MINUTES, IntervalMinutesText(working_.GetCheckFreqHI()).c_str());
    SetChecked(IDC_AUTO_START, working_.GetCheckAutoStart() == 1);
    SetChecked(IDC_RUN_AT_STARTUP, StartupShortcutExists());
    // Without dial-up networking there is no offline interval to set.
    for (int id : kOfflineGroup) EnableItem(id, working_.GetUseRAS() != 0);
    return 0;
}

bool CheckingPage::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED || (id != IDC_AUTO_START && id != IDC_RUN_AT_STARTUP)) return false;
    Toggle(id);
    return true;
}

bool CheckingPage::OnKillActive() {
    const IntervalReading offline = ReadIntervalMinutes(ItemText(IDC_OFFLINE_MINUTES));
    const IntervalReading online = ReadIntervalMinutes(ItemText(IDC_ONLINE_MINUTES));
    working_.SetCheckAutoStart(IsChecked(IDC_AUTO_START) ? 1 : 0);
    const IntervalVerdict verdict = JudgeIntervals(offline, online, working_.GetUseRAS() != 0);
    // A number past 32 bits of milliseconds would wrap into a short interval: keep none.
    if (verdict == IntervalVerdict::TooLarge) {
        Refuse(kIntervalTooLargeText, kCheckingPageCaption);
        return false;
    }
    working_.SetCheckFreqLO(offline.ms);
    working_.SetCheckFreqHI(online.ms);
    if (verdict == IntervalVerdict::OfflineNotGreater) {
        Refuse(kOfflineNotLongerText, kCheckingPageCaption);
        return false;
    }
    if (verdict == IntervalVerdict::OnlineTooShort) {
        Refuse(kOnlineTooShortText, kCheckingPageCaption);
        return false;
    }
    return true;
}

void CheckingPage::CopyToLive(Settings& live) const {
    live.SetCheckFreqLO(working_.GetCheckFreqLO());
    live.SetCheckFreqHI(working_.GetCheckFreqHI());
    live.SetCheckAutoStart(working_.GetCheckAutoStart());
}

// New intervals take effect by restarting checking mode once the sheet has closed
// (OpenOptions asks RestartWanted). The shortcut's message is owned by the page, so the
// sheet takes no second OK while it is shown.
void CheckingPage::AfterCopy(const Settings& before) {
    restartWanted_ = before.GetCheckFreqLO() != working_.GetCheckFreqLO() ||
                     before.GetCheckFreqHI() != working_.GetCheckFreqHI();
    if (IsChecked(IDC_RUN_AT_STARTUP)) {
        CreateStartupShortcut(Handle());
    } else {
        RemoveStartupShortcut();
    }
}

}  // namespace mailwick
