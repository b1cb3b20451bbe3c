// The help file in the real help viewer, the Help menu's commands on the checker's main
// window (with the shell call recorded), and the debug log switch.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "checker/about_res.h"
#include "checker/checker_state.h"
#include "checker/debug_log.h"
#include "checker/help.h"
#include "checker/main_window.h"
#include "checker/resource.h"
#include "checker/tray.h"
#include "common/message_loop.h"
#include "common/registry.h"
#include "e2e/driver.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/scoped_env.h"
#include "fixtures/shell_notify.h"
#include "fixtures/temp_dir.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;
using mwtest::WaitUntil;

std::string BinDir() { return mwtest::WinePath(mwtest::EnvOr("MAILWICK_BINARY_DIR", "")) + "\\bin"; }

// The topics of the help source: context number -> title, and the first (contents) title.
struct SourceTopics {
    std::map<unsigned long, std::string> byNumber;
    std::string contents;
};

SourceTopics ReadSourceTopics() {
    SourceTopics topics;
    std::ifstream in(mwtest::WinePath(mwtest::EnvOr("MAILWICK_SOURCE_DIR", "")) + "\\data\\help\\mailwick.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("==", 0) != 0) continue;
        const auto bar = line.find('|');
        std::string title = line.substr(bar + 1);
        title.erase(0, title.find_first_not_of(' '));
        if (topics.contents.empty()) topics.contents = title;
        std::istringstream head(line.substr(2, bar - 2));
        std::string name;
        head >> name;
        unsigned long number = 0;
        while (head >> number) topics.byNumber[number] = title;
    }
    return topics;
}

// The first line of the text the help viewer shows (its topic's heading), or "".
std::wstring ViewerHeading() {
    for (HWND viewer = FindWindowA("MS_WINHELP", nullptr); viewer;
         viewer = FindWindowExA(nullptr, viewer, "MS_WINHELP", nullptr)) {
        const std::wstring text = mwtest::WindowTextOf(GetDlgItem(viewer, 0x701));
        if (!text.empty()) return text.substr(0, text.find_first_of(L"\r\n"));
    }
    return L"";
}


bool ViewerShows(const std::string& title) {
    return WaitUntil([&] { return ViewerHeading() == mwtest::ToWide(title); }, 15s);
}

void CloseViewer(const std::string& helpFile) {
    WinHelpA(nullptr, helpFile.c_str(), HELP_QUIT, 0);
    WaitUntil([] { return FindWindowA("MS_WINHELP", nullptr) == nullptr; }, 10s);
}

TEST(HelpViewer, OpensTheTopicOfEveryContextNumberAndTheContents) {
    const SourceTopics topics = ReadSourceTopics();
    ASSERT_EQ(topics.contents, "Mailwick Help");
    ASSERT_GE(topics.byNumber.size(), 31u);
    // Distinct headings, so each change of topic shows.
    std::set<std::string> titles{topics.contents};
    for (const auto& entry : topics.byNumber) titles.insert(entry.second);
    ASSERT_EQ(titles.size(), topics.byNumber.size() + 1);
    const std::string file = BinDir() + "\\mailwick.hlp";

    ASSERT_TRUE(WinHelpA(nullptr, file.c_str(), HELP_FINDER, 0));
    EXPECT_TRUE(ViewerShows(topics.contents)) << "HELP_FINDER shows " << mwtest::ToNarrow(ViewerHeading());
    for (const auto& [number, title] : topics.byNumber) {
        ASSERT_TRUE(WinHelpA(nullptr, file.c_str(), HELP_CONTEXT, number)) << number;
        EXPECT_TRUE(ViewerShows(title)) << number << " shows " << mwtest::ToNarrow(ViewerHeading());
    }
    CloseViewer(file);
}

// The checker's own main window in this process, its tray calls recorded, not made.

struct ShellRecord {
    DWORD cbSize;
    ULONG fMask;
    HWND hwnd;
    std::string verb, file, parameters, directory;
    int show;
};
std::vector<ShellRecord> g_shellCalls;

BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOA* info) {
    auto text = [](const char* s) { return s ? std::string(s) : std::string("(null)"); };
    g_shellCalls.push_back({info->cbSize, info->fMask, info->hwnd, text(info->lpVerb), text(info->lpFile),
                            text(info->lpParameters), text(info->lpDirectory), info->nShow});
    return FALSE;  // the result is ignored either way
}

class HelpCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_process.instance = GetModuleHandleA(nullptr);
        SetShellNotifyFunction(&mwtest::RecordShellCall);
        RegisterCheckerClasses(g_process.instance);
        main_ = CreateMainWindow(g_process.instance);
    }
    static void TearDownTestSuite() {
        DestroyWindow(main_);
        SetShellNotifyFunction(nullptr);
    }
    static inline HWND main_ = nullptr;
};

TEST_F(HelpCommands, HomepageAndMailAuthorOpenTheirShortcutFilesWithTheShell) {
    ASSERT_NE(main_, nullptr);
    g_shellCalls.clear();
    SetShellExecuteFunction(&RecordShellExecute);
    SendMessageA(main_, WM_COMMAND, IDM_HOMEPAGE, 0);
    SendMessageA(main_, WM_COMMAND, IDM_MAIL_AUTHOR, 0);
    SetShellExecuteFunction(nullptr);

    ASSERT_EQ(g_shellCalls.size(), 2u);
    char dir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    const char* files[] = {kHomepageFile, kAuthorFile};
    for (int i = 0; i < 2; ++i) {
        const ShellRecord& r = g_shellCalls[i];
        EXPECT_EQ(r.cbSize, sizeof(SHELLEXECUTEINFOA));
        EXPECT_EQ(r.fMask, 0u);
        EXPECT_EQ(r.hwnd, nullptr);
        EXPECT_EQ(r.verb, "Open");
        EXPECT_EQ(r.file, std::string(dir) + "\\" + files[i]) << "a full path: the shell needs no current folder";
        EXPECT_EQ(r.parameters, "");
        EXPECT_EQ(r.directory, "");
        EXPECT_EQ(r.show, SW_SHOWNORMAL);
    }
}

TEST_F(HelpCommands, ContentsOpensTheHelpFileOfTheCurrentDirectory) {
    ASSERT_NE(main_, nullptr);
    const mwtest::ScopedCurrentDir bin(BinDir());
    ASSERT_TRUE(bin.entered());
    EXPECT_EQ(HelpFilePath(), BinDir() + "\\mailwick.hlp");
    SendMessageA(main_, WM_COMMAND, IDM_HELP_CONTENTS, 0);
    EXPECT_TRUE(ViewerShows("Mailwick Help"));
    CloseViewer(HelpFilePath());
}

// The about box from command 221, as the tray menu and the mail list window send it.
class AboutBox : public HelpCommands {
protected:
    void SetUp() override {
        ASSERT_NE(main_, nullptr);
        LoadTrayResources();
        list_ = CreateWindowA("STATIC", "list", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                              LoadMenuA(g_process.instance, kUserMenuName), g_process.instance, nullptr);
        g_process.mailListWindow = list_;
        g_process.listWindowOpen = 1;
    }
    void TearDown() override {
        if (HWND box = Box()) DestroyWindow(box);
        g_process.listWindowOpen = 0;
        g_process.mailListWindow = nullptr;
        DestroyWindow(list_);
    }
    static std::vector<HWND> Boxes() {
        std::vector<HWND> boxes;
        for (HWND w = FindWindowA(nullptr, "About Mailwick"); w; w = FindWindowExA(nullptr, w, nullptr, "About Mailwick")) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId()) boxes.push_back(w);
        }
        return boxes;
    }
    static HWND Box() {
        const auto boxes = Boxes();
        return boxes.empty() ? nullptr : boxes.front();
    }
    // Greyed in the tray menu and in the list window's menu.
    bool AboutGreyed() const {
        UpdateMenuState(1);
        const UINT tray = GetMenuState(TrayPopupMenu(), IDM_ABOUT, MF_BYCOMMAND);
        const UINT list = GetMenuState(GetMenu(list_), IDM_ABOUT, MF_BYCOMMAND);
        EXPECT_EQ(tray & MF_GRAYED, list & MF_GRAYED);
        return (tray & MF_GRAYED) != 0;
    }
    // A key typed into the box, through the program's message loop routing.
    static void Type(HWND box, WPARAM key) {
        HWND target = GetFocus() ? GetFocus() : box;
        PostMessageA(target, WM_KEYDOWN, key, 0);
        PostMessageA(target, WM_KEYUP, key, 0xC0000000);
        mwtest::PumpMessages(nullptr, &RouteToModelessDialog);
    }
    HWND list_ = nullptr;
};

TEST_F(AboutBox, OpensOnceCentredAndTopmostAndEnterClosesItAndEnablesAboutAgain) {
    EXPECT_FALSE(AboutGreyed());
    SendMessageA(main_, WM_COMMAND, IDM_ABOUT, 0);
    SendMessageA(main_, WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_EQ(Boxes().size(), 1u);
    HWND box = Box();
    EXPECT_EQ(g_process.aboutOpen.load(), 1);
    EXPECT_TRUE(AboutGreyed());
    EXPECT_EQ(GetWindow(box, GW_OWNER), main_);

    char product[128] = {};
    GetDlgItemTextA(box, IDC_ABOUT_PRODUCT, product, sizeof product);
    // The word size of the build that runs.
    EXPECT_STREQ(product, sizeof(void*) == 8 ? "Mailwick (64-bit)\nv1.02\nWindows 95 and NT 4.0"
                                             : "Mailwick (32-bit)\nv1.02\nWindows 95 and NT 4.0");
    EXPECT_TRUE(GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowVisible(box));
    RECT r;
    GetWindowRect(box, &r);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2);

    SetForegroundWindow(box);
    Type(box, VK_RETURN);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(g_process.aboutOpen.load(), 0);
    EXPECT_FALSE(AboutGreyed());
}

TEST_F(AboutBox, OkButtonAndEscBothCloseIt) {
    SendMessageA(main_, WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_NE(Box(), nullptr);
    SendMessageA(Box(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(g_process.aboutOpen.load(), 0);

    SendMessageA(main_, WM_COMMAND, IDM_ABOUT, 0);
    ASSERT_NE(Box(), nullptr);
    SetForegroundWindow(Box());
    Type(Box(), VK_ESCAPE);
    EXPECT_EQ(Box(), nullptr);
    EXPECT_EQ(g_process.aboutOpen.load(), 0);
}

// The debug switch, with the settings key in a sandbox and the current directory in a
// scratch folder.
class DebugLog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cwd_.entered()); }
    void TearDown() override { g_process.debugLog.close(); }
    // Runs the start-up step with "DebugLevel" set by `store` (or absent without one).
    void Start(void (*store)(HKEY)) {
        mwtest::RegistrySandbox sandbox;
        if (store) {
            RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
            store(key.Get());
        }
        g_process.debugLog.close();
        InitDebugLog(kSettingsKeyPath);
        keyExists_ = static_cast<bool>(RegKey::Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    }
    bool LogExists() const { return mwtest::FileExists(dir_.file("test.log")); }

    mwtest::TempDir dir_;
    mwtest::ScopedCurrentDir cwd_{dir_.str()};
    bool keyExists_ = false;
};

void SetLevel(HKEY key, DWORD level) {
    RegSetValueExA(key, "DebugLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&level), sizeof level);
}

TEST_F(DebugLog, NoLogWithoutAPositiveLevelAndTheKeyExistsAfterwards) {
    Start(nullptr);
    EXPECT_FALSE(LogExists());
    EXPECT_TRUE(keyExists_);
    EXPECT_EQ(g_process.debugLevel, 0);

    Start([](HKEY k) { SetLevel(k, 0); });
    EXPECT_FALSE(LogExists());
    EXPECT_TRUE(keyExists_);

    Start([](HKEY k) { SetLevel(k, 0xFFFFFFFF); });
    EXPECT_FALSE(LogExists());
    EXPECT_EQ(g_process.debugLevel, -1);

    // A level stored as text is not a level.
    Start([](HKEY k) { RegSetValueExA(k, "DebugLevel", 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2); });
    EXPECT_FALSE(LogExists());
    EXPECT_EQ(g_process.debugLevel, 0);
}

// Read as every other switch: 4 bytes of any type.
TEST_F(DebugLog, AFourByteBinaryLevelCounts) {
    Start([](HKEY k) { RegSetValueExA(k, "DebugLevel", 0, REG_BINARY, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4); });
    EXPECT_EQ(g_process.debugLevel, 1);
    EXPECT_TRUE(LogExists());
}

TEST_F(DebugLog, LevelOneLeavesAnEmptyLogReplacingAnEarlierOne) {
    {
        std::ofstream earlier(dir_.file("test.log"));
        earlier << "an earlier run's text";
    }
    Start([](HKEY k) { SetLevel(k, 1); });
    EXPECT_TRUE(keyExists_);
    EXPECT_EQ(g_process.debugLevel, 1);
    EXPECT_TRUE(g_process.debugLog.is_open());
    ASSERT_TRUE(LogExists());
    EXPECT_EQ(mwtest::ReadFileBytes(dir_.file("test.log")), "");
}

}  // namespace
}  // namespace mailwick
