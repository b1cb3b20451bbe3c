// The options sheet as a user meets it: the real sheet runs modally on the test's main
// thread while a second thread changes pages, types, clicks and presses OK or Cancel.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "checker/autoconfig/autoconfig_res.h"
#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/logic/settings_table.h"
#include "checker/options/options_res.h"
#include "checker/options/options_sheet.h"
#include "checker/options/options_texts.h"
#include "checker/resource.h"
#include "checker/settings.h"
#include "checker/startup_shortcut.h"
#include "checker/texts.h"
#include "checker/tray.h"
#include "common/registry.h"
#include "fixtures/message_recorder.h"
#include "fixtures/modal_driver.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/registry_value.h"
#include "fixtures/scoped_env.h"
#include "fixtures/sheet_driver.h"
#include "fixtures/shell_notify.h"
#include "fixtures/temp_dir.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;
using mwtest::MessageRecorder;
using mwtest::RegistrySandbox;
using mwtest::SheetDriver;
using mwtest::TempDir;
using mwtest::WaitUntil;

// Commands that reach the stand-in main window, whichever loop dispatches them.
std::vector<WPARAM> g_commands;
int g_commandsWhileSheetOpen = 0;
LRESULT CALLBACK RecordCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_commands.push_back(LOWORD(wParam));
    if (message == WM_COMMAND && FindWindowA("#32770", kOptionsCaption)) ++g_commandsWhileSheetOpen;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::map<std::string, mwtest::RegValue> SettingsValues() {
    return mwtest::ReadRegValues(HKEY_CURRENT_USER, kSettingsKeyPath);
}

class OptionsSheet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_process.instance = GetModuleHandleA(nullptr);
        rasLoaded_ = LoadRasLibrary() == 1;
    }

    void SetUp() override {
        ASSERT_TRUE(RegWriteText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Startup", startup_.str()));
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecordCommands;
        wc.hInstance = g_process.instance;
        wc.lpszClassName = "OptionsTestMain";
        RegisterClassA(&wc);
        main_ = CreateWindowExA(0, wc.lpszClassName, "main", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        g_commands.clear();
        ASSERT_NE(main_, nullptr);
        g_process.mainWindow.store(main_);
        g_process.state.SetRasAvailable(0);
        g_process.state.SetCheckingOn(0);
        Settings s;
        s.SetServer("pop.example.org");
        s.SetUsername("ann");
        s.SetPassword("secret");
        s.SetCheckAutoStart(0);
        CommitSettings(s);
    }

    void TearDown() override {
        DestroyWindow(main_);
        g_process.mainWindow.store(nullptr);
    }

    // Opens the sheet with command 203 and runs `drive` beside it; fails when the sheet
    // does not appear or is still open after the drive.
    void RunSheet(const std::function<void(const SheetDriver&)>& drive) {
        const mwtest::ModalRun run = mwtest::RunModalWithDriver(
            [&] { OnOptionsCommand(main_); }, [] { return mwtest::FindSheet(GetCurrentProcessId(), kOptionsCaption); },
            [&](HWND sheet) { drive(SheetDriver(sheet)); });
        EXPECT_TRUE(run.window) << "the sheet never appeared";
        EXPECT_FALSE(run.leftOpen) << "the sheet stayed open";
    }

    // WM_COMMAND ids posted to the main window, once the posts are all delivered.
    std::vector<WPARAM> PostedCommands() {
        mwtest::PumpMessages(main_);
        std::vector<WPARAM> ids;
        ids.swap(g_commands);
        return ids;
    }

    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const auto& m : messages_.Messages()) texts.push_back(m.text);
        return texts;
    }

    static bool rasLoaded_;
    RegistrySandbox registry_{true};
    TempDir startup_;
    MessageRecorder messages_;
    mwtest::ShellNotifyStandIn shell_;
    HWND main_ = nullptr;
};

bool OptionsSheet::rasLoaded_ = false;

constexpr int kChecking = 1;  // page index without the Connection page

TEST_F(OptionsSheet, ConnectionPageOnlyWithTheDialupLibraryAndNoSecondSheet) {
    RunSheet([&](const SheetDriver& d) {
        EXPECT_EQ(d.Titles(), (std::vector<std::string>{"Account", "Checking", "Notifications"}));
        EXPECT_EQ(d.PageIndex(), 0);
        // A second Options while the sheet is open does nothing.
        SendMessageA(main_, WM_COMMAND, IDM_OPTIONS, 0);
        EXPECT_EQ(g_process.optionsOpen.load(), 1);
        d.Cancel();
    });
    EXPECT_EQ(g_process.optionsOpen.load(), 0);

    ASSERT_TRUE(rasLoaded_);
    g_process.state.SetRasAvailable(1);
    RunSheet([&](const SheetDriver& d) {
        EXPECT_EQ(d.Titles(), (std::vector<std::string>{"Account", "Connection", "Checking", "Notifications"}));
        d.Cancel();
    });
}

TEST_F(OptionsSheet, IntervalsAreRefusedInOrderAndTheAcceptedOnesStored) {
    struct Case {
        const char* offline;
        const char* online;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {{"5", "5", kOfflineNotLongerText},
                          {"6", "4", kOnlineTooShortText},
                          {"71583", "5", kIntervalTooLargeText},
                          {"6", "99999999999999999999", kIntervalTooLargeText},
                          {"6", "5", nullptr}};
    UpdateSettings([](Settings& s) { s.SetUseRAS(1); });  // the offline interval in use
    RunSheet([&](const SheetDriver& d) {
        d.Select(kChecking);
        ASSERT_EQ(d.PageIndex(), kChecking);
        HWND page = d.Page();
        for (const Case& c : cases) {
            messages_.Clear();
            d.Type(IDC_OFFLINE_MINUTES, c.offline);
            d.Type(IDC_ONLINE_MINUTES, c.online);
            d.Select(2);
            const auto shown = messages_.Messages();
            if (!c.message) {
                EXPECT_TRUE(shown.empty()) << c.offline << "/" << c.online;
                EXPECT_EQ(d.PageIndex(), 2);
                continue;
            }
            ASSERT_EQ(shown.size(), 1u) << c.offline << "/" << c.online;
            EXPECT_EQ(shown[0].text, c.message);
            EXPECT_EQ(shown[0].caption, kCheckingPageCaption);
            EXPECT_EQ(shown[0].owner, page);
            EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
            EXPECT_EQ(d.PageIndex(), kChecking) << "a refusal keeps the page";
        }
        // OK on a refused page keeps the sheet open too.
        d.Select(kChecking);
        d.Type(IDC_ONLINE_MINUTES, "3");
        messages_.Clear();
        d.Ok();
        EXPECT_EQ(messages_.Messages().size(), 1u);
        EXPECT_TRUE(d.Open());
        d.Type(IDC_ONLINE_MINUTES, "5");
        d.Ok();
    });
    EXPECT_EQ(SettingsSnapshot().GetCheckFreqLO(), 360'000u);
    EXPECT_EQ(SettingsSnapshot().GetCheckFreqHI(), 300'000u);
}

TEST_F(OptionsSheet, WithoutDialupTheGreyedOfflineIntervalCapsNothing) {
    RunSheet([&](const SheetDriver& d) {
        d.Select(kChecking);
        d.Type(IDC_ONLINE_MINUTES, "120");
        d.Ok();
    });
    DWORD stored = 0;
    EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kSettingsKeyPath).ReadNumber("CheckFreqHI", &stored));
    EXPECT_EQ(stored, 7'200'000u);
}

TEST_F(OptionsSheet, OfflineIntervalIsGreyedWithoutDialup) {
    RunSheet([&](const SheetDriver& d) {
        d.Select(kChecking);
        EXPECT_EQ(d.Text(IDC_OFFLINE_MINUTES), "60");
        EXPECT_EQ(d.Text(IDC_ONLINE_MINUTES), "5");
        for (int id : {IDC_OFFLINE_MINUTES, IDC_OFFLINE_GROUP, IDC_OFFLINE_TEXT, IDC_OFFLINE_LABEL, IDC_OFFLINE_UNIT})
            EXPECT_FALSE(d.Enabled(id)) << id;
        EXPECT_TRUE(d.Enabled(IDC_ONLINE_MINUTES));
        d.Cancel();
    });
}

TEST_F(OptionsSheet, DialupWithAnEmptyEntryListIsRefused) {
    ASSERT_TRUE(rasLoaded_);
    g_process.state.SetRasAvailable(1);
    RunSheet([&](const SheetDriver& d) {
        d.Select(1);
        ASSERT_EQ(d.Titles()[1], "Connection");
        HWND page = d.Page();
        EXPECT_TRUE(d.Checked(IDC_NO_DIALUP));
        d.Click(IDC_USE_DIALUP);
        EXPECT_FALSE(d.Checked(IDC_NO_DIALUP));
        d.Select(2);
        const auto shown = messages_.Messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, kNoDialupEntryText);
        EXPECT_EQ(shown[0].caption, kConnectionPageCaption);
        EXPECT_EQ(shown[0].owner, page);
        EXPECT_EQ(d.PageIndex(), 1);
        // Back to no dial-up: the page lets go, and the offline interval is greyed.
        d.Click(IDC_NO_DIALUP);
        d.Select(2);
        EXPECT_EQ(d.PageIndex(), 2);
        EXPECT_FALSE(d.Enabled(IDC_OFFLINE_MINUTES));
        d.Ok();
    });
    EXPECT_EQ(SettingsSnapshot().GetUseRAS(), 0);
}

TEST_F(OptionsSheet, DialupControlsFollowTheEnablingRules) {
    ASSERT_TRUE(rasLoaded_);
    g_process.state.SetRasAvailable(1);
    // 507 (use dial-up), 509 (existing only), 510 (disconnect) ->
    // 508/525, 509, 530, 510, 526 enabled.
    struct Row {
        bool use, existing, disconnect;
        bool entry, existingOnly, establish, disc, keep;
    };
    const Row rows[] = {
        {false, false, false, false, false, false, false, false},
        {false, false, true, false, false, false, false, false},
        {false, true, false, false, false, false, false, false},
        {false, true, true, false, false, false, false, false},
        {true, false, false, true, true, true, true, false},
        {true, false, true, true, true, true, true, true},
        {true, true, false, true, true, false, false, false},
        {true, true, true, true, true, false, false, false},
    };
    RunSheet([&](const SheetDriver& d) {
        d.Select(1);
        for (const Row& r : rows) {
            d.Click(r.use ? IDC_USE_DIALUP : IDC_NO_DIALUP);
            d.SetCheck(IDC_EXISTING_ONLY, r.existing);
            d.SetCheck(IDC_DISCONNECT, r.disconnect);
            const std::string row = std::to_string(r.use) + std::to_string(r.existing) + std::to_string(r.disconnect);
            EXPECT_EQ(d.Enabled(IDC_DIALUP_ENTRY), r.entry) << row;
            EXPECT_EQ(d.Enabled(IDC_DIALUP_ENTRY_LABEL), r.entry) << row;
            EXPECT_EQ(d.Enabled(IDC_EXISTING_ONLY), r.existingOnly) << row;
            EXPECT_EQ(d.Enabled(IDC_ESTABLISH), r.establish) << row;
            EXPECT_EQ(d.Enabled(IDC_DISCONNECT), r.disc) << row;
            EXPECT_EQ(d.Enabled(IDC_KEEP_IF_NEW_MAIL), r.keep) << row;
        }
        d.Cancel();
    });
}

TEST_F(OptionsSheet, ChangedIntervalsRestartCheckingOnlyWhileCheckingIsOn) {
    const auto changeIntervals = [&](const char* online) {
        RunSheet([&](const SheetDriver& d) {
            d.Select(kChecking);
            d.Type(IDC_ONLINE_MINUTES, online);
            d.Ok();
        });
    };
    changeIntervals("7");
    EXPECT_EQ(SettingsSnapshot().GetCheckFreqHI(), 420'000u);
    EXPECT_TRUE(PostedCommands().empty()) << "checking is stopped";

    g_process.state.SetCheckingOn(1);
    changeIntervals("8");
    EXPECT_EQ(PostedCommands(), (std::vector<WPARAM>{IDM_STOP_CHECKING, IDM_START_CHECKING}));
    changeIntervals("8");
    EXPECT_TRUE(PostedCommands().empty()) << "unchanged intervals";
    g_process.state.SetCheckingOn(0);
}

// The restart must not run inside the sheet, and the shortcut's message must hold the
// sheet (its owner is disabled) so that no second OK gets in.
TEST_F(OptionsSheet, RestartFollowsTheClosedSheetAndTheShortcutMessageHoldsIt) {
    g_process.state.SetCheckingOn(1);
    g_commandsWhileSheetOpen = 0;
    HWND page = nullptr;
    RunSheet([&](const SheetDriver& d) {
        d.Select(kChecking);
        page = d.Page();
        d.SetCheck(IDC_RUN_AT_STARTUP, true);
        d.Type(IDC_ONLINE_MINUTES, "9");
        d.Ok();
    });
    g_process.state.SetCheckingOn(0);
    EXPECT_EQ(PostedCommands(), (std::vector<WPARAM>{IDM_STOP_CHECKING, IDM_START_CHECKING}));
    EXPECT_EQ(g_commandsWhileSheetOpen, 0);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].owner, page);
}

// Typing stops at what the settings keep instead of the text being cut on leaving.
TEST_F(OptionsSheet, AccountAndSoundEditsStopAtTheStoredWidths) {
    const auto limit = [](HWND edit) { return static_cast<size_t>(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0)); };
    RunSheet([&](const SheetDriver& d) {
        for (int id : {IDC_SERVER, IDC_USERNAME, IDC_PASSWORD}) EXPECT_EQ(limit(d.Item(id)), kShortTextWidth - 1) << id;
        d.Select(2);
        for (int id : {IDC_ALARM_FILE, IDC_WAV_FILE}) EXPECT_EQ(limit(d.Item(id)), kLongTextWidth - 1) << id;
        d.Cancel();
    });
}

TEST_F(OptionsSheet, CancelAfterEditingEveryPageKeepsNothing) {
    ASSERT_TRUE(rasLoaded_);
    g_process.state.SetRasAvailable(1);
    const Settings before = SettingsSnapshot();
    RunSheet([&](const SheetDriver& d) {
        d.Type(IDC_SERVER, "other.example.org");
        d.Type(IDC_PASSWORD, "changed");
        d.Select(1);
        d.Click(IDC_DISCONNECT);
        d.Select(2);
        d.Type(IDC_ONLINE_MINUTES, "9");
        d.Click(IDC_AUTO_START);
        d.Click(IDC_RUN_AT_STARTUP);
        d.Select(3);
        d.Click(IDC_ALARM);
        d.Type(IDC_WAV_FILE, "other.wav");
        d.Select(0);
        EXPECT_EQ(d.Text(IDC_SERVER), "other.example.org") << "the working copy holds the edits";
        d.Cancel();
    });
    EXPECT_EQ(SettingsSnapshot(), before);
    EXPECT_TRUE(SettingsValues().empty());
    EXPECT_FALSE(StartupShortcutExists());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(OptionsSheet, OkWritesEverySettingWithItsTypeAndShiftedAccount) {
    RunSheet([&](const SheetDriver& d) {
        d.Type(IDC_SERVER, "mail.example.net");
        d.Type(IDC_USERNAME, "bob");
        d.Type(IDC_PASSWORD, "pw");
        d.Select(2);
        d.Click(IDC_LAUNCH_MAIL);
        d.Type(IDC_ALARM_FILE, std::string(300, 'a'));
        d.Ok();
    });
    const auto values = SettingsValues();
    // The password is protected where the platform's data protection works; this suite's
    // emptied HKEY_LOCAL_MACHINE hides Wine's cryptographic provider, so here it is kept
    // in the older shifted form instead (the protected form is tested on its own).
    ASSERT_EQ(values.size(), SettingsTable().size() + values.count("PasswordData"));
    for (const SettingValue& row : SettingsTable()) {
        const DWORD type = row.IsText() ? REG_SZ : row.store == SettingStore::Flag ? REG_BINARY : REG_DWORD;
        const std::string name = row.name;
        ASSERT_TRUE(values.count(name)) << name;
        EXPECT_EQ(values.at(name).type, type) << name;
        if (type != REG_SZ) {
            EXPECT_EQ(values.at(name).bytes.size(), 4u) << name;
        }
    }
    EXPECT_EQ(values.at("Server").bytes, std::string("nbjm/fybnqmf/ofu", 17));
    EXPECT_EQ(values.at("Username").bytes, std::string("cpc", 4));
    EXPECT_EQ(values.at("Password").bytes, values.count("PasswordData") ? std::string(1, '\0') : std::string("qx", 3));
    Settings reread;
    ReadAccount(reread);
    EXPECT_STREQ(reread.GetPassword(), "pw");
    EXPECT_EQ(values.at("LaunchMail").bytes, std::string("\1\0\0\0", 4));
    // A text longer than its field is cut to 249 characters.
    EXPECT_EQ(values.at("NotifAlarmWav").bytes, std::string(249, 'a') + '\0');
    const Settings live = SettingsSnapshot();
    EXPECT_STREQ(live.GetServer(), "mail.example.net");
    EXPECT_EQ(live.GetLaunchMail(), 1);
}

TEST_F(OptionsSheet, ChoosingASecurityFillsItsPortAndOkStoresThem) {
    RunSheet([&](const SheetDriver& d) {
        EXPECT_EQ(d.Text(IDC_PORT), "110");
        SendMessageA(d.Item(IDC_SECURITY), CB_SETCURSEL, 2, 0);
        SendMessageA(d.Page(), WM_COMMAND, MAKEWPARAM(IDC_SECURITY, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(d.Item(IDC_SECURITY)));
        EXPECT_EQ(d.Text(IDC_PORT), "995");
        d.Type(IDC_PORT, "99999");
        d.Select(1);
        EXPECT_EQ(messages_.Messages().size(), 1u) << "a port past 65535 is refused";
        EXPECT_EQ(d.PageIndex(), 0);
        d.Type(IDC_PORT, "1995");
        d.Ok();
    });
    EXPECT_EQ(SettingsSnapshot().GetSecurity(), 2);
    EXPECT_EQ(SettingsSnapshot().GetServerPort(), 1995u);
}

TEST_F(OptionsSheet, AutoconfigFromThunderbirdSetsSecurityAndPort) {
    ASSERT_TRUE(RegWriteText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail", "", "Mozilla Thunderbird"));
    ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Mozilla Thunderbird"));
    TempDir appData;
    const mwtest::ScopedEnv appDataVariable("APPDATA", appData.str());
    CreateDirectoryA(appData.file("Thunderbird").c_str(), nullptr);
    CreateDirectoryA(appData.file("Thunderbird\\p").c_str(), nullptr);
    std::ofstream(appData.file("Thunderbird\\profiles.ini"), std::ios::binary)
        << "[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=p\r\nDefault=1\r\n";
    std::ofstream(appData.file("Thunderbird\\p\\prefs.js"), std::ios::binary)
        << "user_pref(\"mail.server.server1.type\", \"pop3\");\n"
           "user_pref(\"mail.server.server1.hostname\", \"pop.tb.example\");\n"
           "user_pref(\"mail.server.server1.userName\", \"tbuser\");\n"
           "user_pref(\"mail.server.server1.socketType\", 3);\n"
           "user_pref(\"mail.server.server1.port\", 995);\n";
    std::string shownPort;
    LRESULT shownSecurity = -1;
    RunSheet([&](const SheetDriver& d) {
        EXPECT_EQ(d.Text(IDC_MAIL_CLIENT), "Mozilla Thunderbird");
        // Posted: the dialog runs its own modal loop inside the sheet's thread.
        PostMessageA(d.Page(), WM_COMMAND, MAKEWPARAM(IDC_AUTOCONFIG, BN_CLICKED),
                     reinterpret_cast<LPARAM>(d.Item(IDC_AUTOCONFIG)));
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (dialog = FindWindowA("#32770", "Mailwick ")) != nullptr && IsWindowVisible(dialog); }));
        SetWindowTextA(GetDlgItem(dialog, IDC_AUTOCONFIG_PASSWORD), "pw");
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
        shownSecurity = SendMessageA(d.Item(IDC_SECURITY), CB_GETCURSEL, 0, 0);
        shownPort = d.Text(IDC_PORT);
        d.Ok();
    });
    EXPECT_EQ(shownSecurity, 2);
    EXPECT_EQ(shownPort, "995");
    const Settings live = SettingsSnapshot();
    EXPECT_STREQ(live.GetServer(), "pop.tb.example");
    EXPECT_EQ(live.GetSecurity(), 2);
    EXPECT_EQ(live.GetServerPort(), 0u) << "the usual port is stored as 0";
}

TEST_F(OptionsSheet, PagesNeverShownKeepTheirLiveValues) {
    RunSheet([&](const SheetDriver& d) {
        d.Type(IDC_SERVER, "shown.example.org");
        d.Ok();
    });
    // The Checking page was never shown: a change made meanwhile by someone else stays.
    EXPECT_STREQ(SettingsSnapshot().GetServer(), "shown.example.org");
    UpdateSettings([](Settings& s) { s.SetCheckFreqHI(600'000); });
    RunSheet([&](const SheetDriver& d) { d.Ok(); });
    EXPECT_EQ(SettingsSnapshot().GetCheckFreqHI(), 600'000u);
}

TEST_F(OptionsSheet, ShortcutBoxRemovesSilentlyAndCreatesWithOneMessage) {
    CreateStartupShortcut();
    ASSERT_TRUE(StartupShortcutExists());
    messages_.Clear();
    RunSheet([&](const SheetDriver& d) {
        d.Select(kChecking);
        EXPECT_TRUE(d.Checked(IDC_RUN_AT_STARTUP));
        d.Click(IDC_RUN_AT_STARTUP);
        d.Ok();
    });
    EXPECT_FALSE(StartupShortcutExists());
    EXPECT_TRUE(messages_.Messages().empty());

    RunSheet([&](const SheetDriver& d) {
        d.Select(kChecking);
        EXPECT_FALSE(d.Checked(IDC_RUN_AT_STARTUP));
        d.Click(IDC_RUN_AT_STARTUP);
        d.Ok();
    });
    EXPECT_TRUE(StartupShortcutExists());
    EXPECT_EQ(Texts(), (std::vector<std::string>{kShortcutCreatedText}));
}

TEST_F(OptionsSheet, AChosenMailClientShowsOnNotificationsAndItsCommandIsStored) {
    {
        const RegKey clients = RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail");
        ASSERT_TRUE(RegWriteText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail", "", "Beta Mail"));
        ASSERT_TRUE(RegWriteText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Alpha Mail\\shell\\open\\command", "",
                                 "\"C:\\alpha\\alpha.exe\" /mail"));
        ASSERT_TRUE(RegKey::Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\Beta Mail"));
    }
    RunSheet([&](const SheetDriver& d) {
        // "Other" matches no client, so the default client is preselected.
        EXPECT_EQ(d.Text(IDC_MAIL_CLIENT), "Beta Mail");
        SendMessageA(d.Item(IDC_MAIL_CLIENT), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>("alpha"));
        d.Select(2);
        EXPECT_EQ(d.Text(IDC_MAIL_CLIENT), "Alpha Mail");
        d.Ok();
    });
    const Settings live = SettingsSnapshot();
    EXPECT_STREQ(live.GetMailProgramName(), "Alpha Mail");
    EXPECT_STREQ(live.GetMailProgramFile(), "\"C:\\alpha\\alpha.exe\" /mail");
}

TEST_F(OptionsSheet, ACheckReadingMeanwhileNeverSeesAHalfCopiedAccount) {
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!stop) {
            const Settings s = SettingsSnapshot();
            const std::string user = s.GetUsername();
            const std::string n = user.substr(user.find('-') + 1);
            if (std::string(s.GetPassword()) != "pw-" + n || std::string(s.GetServer()) != "host-" + n) ++torn;
        }
    });
    UpdateSettings([](Settings& s) {
        s.SetUsername("user-0");
        s.SetPassword("pw-0");
        s.SetServer("host-0");
    });
    for (int i = 1; i <= 5; ++i) {
        const std::string n = std::to_string(i);
        RunSheet([&](const SheetDriver& d) {
            d.Type(IDC_USERNAME, "user-" + n);
            d.Type(IDC_PASSWORD, "pw-" + n);
            d.Type(IDC_SERVER, "host-" + n);
            d.Ok();
        });
    }
    stop = true;
    reader.join();
    EXPECT_STREQ(SettingsSnapshot().GetServer(), "host-5");
    EXPECT_EQ(torn.load(), 0);
}

std::vector<std::pair<UINT, ULONG_PTR>> g_helpCalls;
BOOL RecordHelp(HWND, UINT command, ULONG_PTR data) {
    g_helpCalls.emplace_back(command, command == HELP_CONTEXT ? data : 0);
    // Like Wine's WinHelp: the two context-help commands are refused.
    return command == HELP_WM_HELP || command == HELP_CONTEXTMENU ? FALSE : TRUE;
}

TEST_F(OptionsSheet, HelpOpensThePageTopicAndControlHelpFallsBackToItsContext) {
    g_helpCalls.clear();
    SetOptionsHelpFunction(RecordHelp);
    RunSheet([&](const SheetDriver& d) {
        d.Press(PSBTN_HELP);
        HELPINFO info{};
        info.cbSize = sizeof info;
        info.iContextType = HELPINFO_WINDOW;
        info.iCtrlId = IDC_USERNAME;
        info.hItemHandle = d.Item(IDC_USERNAME);
        SendMessageA(d.Page(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        d.Select(2);
        SendMessageA(d.Page(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(d.Item(IDC_MAIL_CLIENT)), 0);
        d.Press(PSBTN_HELP);
        d.Cancel();
    });
    SetOptionsHelpFunction(nullptr);
    const std::vector<std::pair<UINT, ULONG_PTR>> expected = {
        {HELP_CONTEXT, IDH_ACCOUNT_PAGE}, {HELP_WM_HELP, 0},          {HELP_CONTEXT, IDH_USERNAME},
        {HELP_CONTEXTMENU, 0},           {HELP_CONTEXT, IDH_MAIL_CLIENT_SHOWN}, {HELP_CONTEXT, IDH_NOTIFICATIONS_PAGE}};
    EXPECT_EQ(g_helpCalls, expected);
}

std::vector<std::pair<std::string, bool>> g_plays;
HWND g_alarmTest = nullptr;
void RecordPlay(const char* file) { g_plays.emplace_back(file, IsWindowEnabled(g_alarmTest) != FALSE); }

TEST_F(OptionsSheet, AlarmTestPlaysThreeTimesWithTheButtonOff) {
    g_plays.clear();
    SetOptionsSoundFunction(RecordPlay);
    RunSheet([&](const SheetDriver& d) {
        d.Select(2);
        g_alarmTest = d.Item(IDC_ALARM_TEST);
        const auto start = std::chrono::steady_clock::now();
        d.Click(IDC_ALARM_TEST);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 1000ms);
        EXPECT_TRUE(d.Enabled(IDC_ALARM_TEST));
        d.Click(IDC_WAV_TEST);
        d.Type(IDC_WAV_FILE, "");
        d.Click(IDC_WAV_TEST);
        d.Cancel();
    });
    SetOptionsSoundFunction(nullptr);
    const std::vector<std::pair<std::string, bool>> expected = {
        {"alarm.wav", false}, {"alarm.wav", false}, {"alarm.wav", false}, {"newmail.wav", true}};
    EXPECT_EQ(g_plays, expected);
}

}  // namespace
}  // namespace mailwick
