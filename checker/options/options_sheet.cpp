#include "checker/options/options_sheet.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <string>

#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "checker/help.h"
#include "checker/options/options_pages.h"
#include "checker/options/options_res.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "common/controls.h"
#include "common/message_box.h"

namespace mailwick {

namespace {

void PlaySync(const char* file) {
    PlaySoundA(ShippedFilePath(file).c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
}

std::atomic<HelpFunction> g_help{&ShowHelp};
std::atomic<SoundFunction> g_sound{&PlaySync};

}  // namespace

HelpFunction SetOptionsHelpFunction(HelpFunction function) {
    return g_help.exchange(function ? function : &ShowHelp);
}

SoundFunction SetOptionsSoundFunction(SoundFunction function) {
    return g_sound.exchange(function ? function : &PlaySync);
}

void PlayOptionsSound(const char* file) { g_sound.load()(file); }

// One locked step, so a check starting meanwhile sees the page's fields all old or all new.
bool OptionsPage::OnApply() {
    Settings before;
    Settings after;
    UpdateSettings([&](Settings& live) {
        before = live;
        CopyToLive(live);
        after = live;
    });
    AfterCopy(before);
    WriteSettings(after);
    return true;
}

void OptionsPage::OnHelp() { g_help.load()(Handle(), HELP_CONTEXT, helpTopic_); }

void OptionsPage::Refuse(const char* text, const char* caption) const {
    ShowMessageBox(Handle(), text, caption, MB_OK);
}

// F1 asks for the control's own help, a right click for the window clicked. A WinHelp
// that refuses those two commands still opens the control's topic by its context.
void OptionsPage::ContextHelp(HWND control, UINT command) {
    const auto help = g_help.load();
    if (help(control, command, reinterpret_cast<ULONG_PTR>(helpPairs_.data()))) return;
    const DWORD id = static_cast<DWORD>(GetDlgCtrlID(control));
    for (size_t i = 0; i + 1 < helpPairs_.size() && helpPairs_[i] != 0; i += 2) {
        if (helpPairs_[i] == id) {
            help(Handle(), HELP_CONTEXT, helpPairs_[i + 1]);
            return;
        }
    }
}

bool OptionsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_HELP: {
            const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
            if (info->iContextType == HELPINFO_WINDOW) ContextHelp(static_cast<HWND>(info->hItemHandle), HELP_WM_HELP);
            result = TRUE;
            return true;
        }
        case WM_CONTEXTMENU:
            ContextHelp(reinterpret_cast<HWND>(wParam), HELP_CONTEXTMENU);
            result = TRUE;
            return true;
        default: return false;
    }
}

void OpenOptions(HWND owner) {
    // The sheet's tab strip is a common control.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    Settings working = SettingsSnapshot();
    AccountPage account(working);
    ConnectionPage connection(working);
    CheckingPage checking(working);
    NotificationsPage notifications(working);
    const PageEntry pages[] = {
        {&account, MAKEINTRESOURCEA(IDD_OPTIONS_ACCOUNT), true, PSP_HASHELP},
        {&connection, MAKEINTRESOURCEA(IDD_OPTIONS_CONNECTION), g_process.state.RasAvailable() == 1, PSP_HASHELP},
        {&checking, MAKEINTRESOURCEA(IDD_OPTIONS_CHECKING), true, PSP_HASHELP},
        {&notifications, MAKEINTRESOURCEA(IDD_OPTIONS_NOTIFICATIONS), true, PSP_HASHELP},
    };
    SheetOptions options;
    options.instance = g_process.instance ? g_process.instance : GetModuleHandleA(nullptr);
    options.owner = owner;
    options.caption = kOptionsCaption;
    options.flags = PSH_NOAPPLYNOW | PSH_HASHELP;
    RunPropertySheet(options, pages);
    // Posted only now, so the restart cannot run inside the sheet's loop or a message box
    // shown by OK.
    if (checking.RestartWanted() && g_process.state.CheckingOn() == 1) {
        HWND main = g_process.mainWindow.load();
        PostMessageA(main, WM_COMMAND, IDM_STOP_CHECKING, 0);
        PostMessageA(main, WM_COMMAND, IDM_START_CHECKING, 0);
    }
}

void OnOptionsCommand(HWND mainWindow) {
    std::int32_t closed = 0;
    if (!g_process.optionsOpen.compare_exchange_strong(closed, 1)) return;
    try {
        OpenOptions(mainWindow);
    } catch (...) {
    }
    g_process.optionsOpen.store(0);
}

}  // namespace mailwick
