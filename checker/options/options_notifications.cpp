// The Notifications page: the alarm, the sound, the dialog, the balloon and the mail program.
#include <windows.h>
#include <commdlg.h>

#include <array>
#include <vector>

#include "checker/options/options_pages.h"
#include "checker/options/options_res.h"
#include "checker/options/options_texts.h"

namespace mailwick {

namespace {

constexpr auto kHelpPairs = std::to_array<DWORD>({
    IDC_ALARM, IDH_ALARM, IDC_ALARM_FILE, IDH_ALARM_FILE, IDC_ALARM_BROWSE, IDH_ALARM_BROWSE,
    IDC_PLAY_WAV, IDH_PLAY_WAV, IDC_WAV_FILE, IDH_WAV_FILE, IDC_WAV_BROWSE, IDH_WAV_BROWSE,
    IDC_SHOW_DIALOG, IDH_SHOW_DIALOG, IDC_BALLOON, IDH_BALLOON, IDC_LAUNCH_MAIL, IDH_LAUNCH_MAIL, IDC_MAIL_CLIENT, IDH_MAIL_CLIENT_SHOWN, 0, 0});

// The longest sound path the settings keep.
constexpr int kSoundPathMax = static_cast<int>(kLongTextWidth) - 1;
static_assert(kSoundPathMax == 249, "the refusal text names the limit");

constexpr DWORD kFileBuffer = 1024;
constexpr int kAlarmPlays = 3;
constexpr DWORD kAlarmPauseMs = 500;

}  // namespace

NotificationsPage::NotificationsPage(Settings& working) : OptionsPage(working, IDH_NOTIFICATIONS_PAGE, kHelpPairs) {}

// Typing stops at what the settings keep, rather than the path being cut on leaving.
BOOL NotificationsPage::OnInit() {
    SendMessageA(Item(IDC_ALARM_FILE), EM_LIMITTEXT, kSoundPathMax, 0);
    SendMessageA(Item(IDC_WAV_FILE), EM_LIMITTEXT, kSoundPathMax, 0);
    return TRUE;
}

LRESULT NotificationsPage::OnSetActive() {
    SetChecked(IDC_ALARM, working_.GetNotifPlayAlarm() == 1);
    SetChecked(IDC_PLAY_WAV, working_.GetNotifPlayWav() == 1);
    SetChecked(IDC_SHOW_DIALOG, working_.GetNotifShowDialog() == 1);
    SetChecked(IDC_BALLOON, working_.GetNotifBalloon() == 1);
    SetChecked(IDC_LAUNCH_MAIL, working_.GetLaunchMail() == 1);
    SetItemText(IDC_ALARM_FILE, working_.GetNotifAlarmWav());
    SetItemText(IDC_WAV_FILE, working_.GetNotifWav());
    SetItemText(IDC_MAIL_CLIENT, working_.GetMailProgramName());
    return 0;
}

bool NotificationsPage::OnCommand(WORD id, WORD code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_ALARM:
        case IDC_PLAY_WAV:
        case IDC_SHOW_DIALOG:
        case IDC_BALLOON:
        case IDC_LAUNCH_MAIL: Toggle(id); return true;
        case IDC_ALARM_BROWSE: Browse(IDC_ALARM_FILE); return true;
        case IDC_WAV_BROWSE: Browse(IDC_WAV_FILE); return true;
        case IDC_ALARM_TEST: TestAlarm(); return true;
        case IDC_WAV_TEST: {
            const std::string file = ItemText(IDC_WAV_FILE);
            if (!file.empty()) PlayOptionsSound(file.c_str());
            return true;
        }
        default: return false;
    }
}

// The edit changes; the setting follows when the page is left.
void NotificationsPage::Browse(int editId) const {
    std::vector<char> file(kFileBuffer, '\0');
    const char* current = editId == IDC_ALARM_FILE ? working_.GetNotifAlarmWav() : working_.GetNotifWav();
    lstrcpynA(file.data(), current, static_cast<int>(kFileBuffer));
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = "Sound File\0*.wav\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = kFileBuffer;
    ofn.lpstrTitle = "Open";
    ofn.lpstrDefExt = "wav";
    // Without OFN_NOCHANGEDIR the dialog moves the current directory to the folder
    // browsed to.
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn)) return;
    // Cut to fit, it would name a file that is not there.
    if (lstrlenA(file.data()) > kSoundPathMax) {
        Refuse(kSoundPathTooLongText, kNotificationsPageCaption);
        return;
    }
    SetItemText(editId, file.data());
}

// The alarm repeats until mail is acknowledged; three plays give its sound. The button
// is off meanwhile so a second click cannot queue more.
void NotificationsPage::TestAlarm() const {
    const std::string file = ItemText(IDC_ALARM_FILE);
    if (file.empty()) return;
    EnableItem(IDC_ALARM_TEST, false);
    for (int play = 0; play < kAlarmPlays; ++play) {
        if (play > 0) Sleep(kAlarmPauseMs);
        PlayOptionsSound(file.c_str());
    }
    EnableItem(IDC_ALARM_TEST, true);
}

bool NotificationsPage::OnKillActive() {
    working_.SetNotifWav(ItemText(IDC_WAV_FILE));
    working_.SetNotifAlarmWav(ItemText(IDC_ALARM_FILE));
    working_.SetNotifPlayAlarm(IsChecked(IDC_ALARM) ? 1 : 0);
    working_.SetNotifPlayWav(IsChecked(IDC_PLAY_WAV) ? 1 : 0);
    working_.SetNotifShowDialog(IsChecked(IDC_SHOW_DIALOG) ? 1 : 0);
    working_.SetNotifBalloon(IsChecked(IDC_BALLOON) ? 1 : 0);
    working_.SetLaunchMail(IsChecked(IDC_LAUNCH_MAIL) ? 1 : 0);
    return true;
}

void NotificationsPage::CopyToLive(Settings& live) const {
    live.SetNotifPlayAlarm(working_.GetNotifPlayAlarm());
    live.SetNotifAlarmWav(working_.GetNotifAlarmWav());
    live.SetNotifPlayWav(working_.GetNotifPlayWav());
    live.SetNotifWav(working_.GetNotifWav());
    live.SetNotifShowDialog(working_.GetNotifShowDialog());
    live.SetNotifBalloon(working_.GetNotifBalloon());
    live.SetLaunchMail(working_.GetLaunchMail());
}

}  // namespace mailwick
