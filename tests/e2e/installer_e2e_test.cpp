// setup.exe and MWuninst.exe as a user meets them: the wizard driven page by page from
// the shipped folder, the message boxes read and answered, and what they leave in
// Program Files, the registry and the Startup folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/install_entries.h"
#include "common/registry.h"
#include "common/startup_shortcut.h"
#include "e2e/driver.h"

#ifndef PSM_HWNDTOINDEX
#define PSM_HWNDTOINDEX (WM_USER + 129)
#endif

namespace mwtest {
namespace {

using mailwick::kAppPathsKeyPath;
using mailwick::kUninstallKeyPath;
using mailwick::RegKey;

constexpr int kBack = 0x3023, kNext = 0x3024, kFinish = 0x3025;  // the wizard's buttons
const std::wstring kRunningSetup = L"Mailwick is currently running.  Exit Mailwick then run this setup program again.";
const std::wstring kRunningUninstall =
    L"Mailwick is currently running.  Exit Mailwick then run this uninstall program again.";
const std::wstring kConfirmUninstall = L"Please confirm that you wish to uninstall Mailwick";
const std::wstring kUninstalled =
    L"Uninstall of Mailwick finished.\nTo complete uninstall remove files from Mailwick install directory.";

std::vector<std::string> ListedFiles(const std::string& dir) {
    std::istringstream in(ReadFileBytes(dir + "\\setup.lst"));
    std::vector<std::string> names;
    for (std::string line; std::getline(in, line);) names.push_back(line);
    return names;
}

std::string ShippedDir() {
    return WinePath(EnvOr("MAILWICK_BINARY_DIR", "")) + "\\Mailwick";
}

std::string ProgramFilesDir() {
    std::string dir;
    mailwick::RegReadText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                          MAX_PATH, &dir);
    return dir;
}

bool KeyExists(HKEY root, const char* path) {
    return static_cast<bool>(RegKey::Open(root, path));
}

// A value's type and bytes as stored.
std::pair<DWORD, std::string> RawValue(HKEY root, const char* path, const char* name) {
    RegKey key = RegKey::Open(root, path);
    char data[1024];
    DWORD type = 0, length = 0;
    if (!key.ReadValue(name, data, sizeof data, &type, &length)) return {REG_NONE, ""};
    return {type, std::string(data, length)};
}

// The whole text of another process's control, however long.
std::wstring LongText(HWND control) {
    std::wstring text(static_cast<size_t>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::string ShortcutPath() {
    std::string path;
    mailwick::StartupShortcutPath(&path);
    return path;
}

// Stands in for the help viewer: WinHelp hands its request to the window of this class.
struct HelpRequest {
    bool seen = false;
    UINT command = 0;
    LONG data = 0;
    std::string file;
};
HelpRequest g_help;

LRESULT CALLBACK HelpViewerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        struct Request {
            WORD size, command;
            LONG data, reserved;
            WORD ofsFilename, ofsData;
        };
        const auto* request = static_cast<const Request*>(copy->lpData);
        if (request && copy->cbData >= sizeof(Request)) {
            g_help.seen = true;
            g_help.command = request->command;
            g_help.data = request->data;
            if (request->ofsFilename) g_help.file = reinterpret_cast<const char*>(request) + request->ofsFilename;
        }
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class HelpViewer {
public:
    HelpViewer() {
        g_help = {};
        WNDCLASSA wc{};
        wc.lpfnWndProc = HelpViewerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "MS_WINHELP";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowA("MS_WINHELP", "help", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    }
    ~HelpViewer() { DestroyWindow(hwnd_); }

private:
    HWND hwnd_;
};

std::string ImagePathOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    char path[MAX_PATH] = {};
    if (process) {
        GetModuleFileNameExA(process, nullptr, path, MAX_PATH);
        CloseHandle(process);
    }
    return path;
}

void EndProcess(DWORD pid) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

// The checker started by a successful installation, ended by the test.
DWORD WaitForStartedChecker() {
    HWND main = nullptr;
    WaitUntil([&] { return (main = FindWindowA("AppWClass", "Mailwick_Main")) != nullptr; }, 20s);
    DWORD pid = 0;
    if (main) GetWindowThreadProcessId(main, &pid);
    return pid;
}

void EndAnyChecker() {
    while (HWND main = FindWindowA("AppWClass", "Mailwick_Main")) {
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        EndProcess(pid);
        WaitUntil([&] { return !IsWindow(main); }, 5s);
    }
}

void RemoveInstallation(const std::string& installDir) {
    for (const auto& name : ListedFiles(ShippedDir())) DeleteFileA((installDir + "\\" + name).c_str());
    RemoveDirectoryA(installDir.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPathsKeyPath);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKeyPath);
}

class Wizard {
public:
    bool start(const std::string& dir) {
        if (!process.start(dir + "\\setup.exe", dir)) return false;
        return WaitUntil(
            [&] {
                for (HWND w : TopLevelWindows(process.pid())) {
                    if (SendMessageW(w, PSM_GETCURRENTPAGEHWND, 0, 0)) sheet = w;
                }
                return sheet != nullptr;
            },
            20s);
    }
    HWND page() const { return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    int pageIndex() const { return static_cast<int>(SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page()), 0)); }
    // Presses a button and waits for page `expected` to show.
    bool press(int button, int expected) {
        PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
        return WaitUntil([&] { return pageIndex() == expected; }, 10s);
    }
    bool enabled(int id) const {
        HWND b = GetDlgItem(sheet, id);
        return b && IsWindowVisible(b) && IsWindowEnabled(b);
    }
    // Presses Finish; the installation runs behind it.
    void finish() { PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0); }

    CheckerProcess process;
    HWND sheet = nullptr;
};

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        EndAnyChecker();
        installDir_ = ProgramFilesDir() + "\\Mailwick";
        RemoveInstallation(installDir_);
        // Install from a copy, so a test may take files away.
        source_ = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const std::string& name : {std::string("setup.exe"), std::string("setup.lst")})
            CopyFileA((ShippedDir() + "\\" + name).c_str(), (source_ + "\\" + name).c_str(), FALSE);
        for (const auto& name : ListedFiles(ShippedDir())) {
            const std::string from = ShippedDir() + "\\" + name, to = source_ + "\\" + name;
            // Files whose build steps the tree does not have yet; ShippedFolderHoldsEveryListedFile says so.
            if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) WriteFileBytes(to, "stand-in for " + name);
        }
        // What an earlier installation and the checker's first run left.
        ClearSettingsKey();
        SetRegDword("CheckAutoStart", 1);
        SetRegString("Server", "mail");
        ASSERT_FALSE(ShortcutPath().empty());
        WriteFileBytes(ShortcutPath(), "earlier shortcut");
    }
    void TearDown() override {
        EndAnyChecker();
        DeleteFileA(ShortcutPath().c_str());
        RemoveInstallation(installDir_);
        ClearSettingsKey();
    }

    // Next to the last page and Finish, then the completion message.
    void InstallThroughTheWizard() {
        Wizard w;
        ASSERT_TRUE(w.start(source_));
        for (int page = 1; page < 4; ++page) ASSERT_TRUE(w.press(PSBTN_NEXT, page));
        w.finish();
        HWND box = WaitForMessageBox(w.process.pid(), L"Setup", 30s);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), L"Mailwick installation complete");
        AnswerMessageBox(box, IDOK);
        EXPECT_EQ(w.process.waitExit(20s), 0);
    }

    void ExpectNothingInstalled() {
        EXPECT_EQ(GetFileAttributesA(installDir_.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKeyPath));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKeyPath));
        DWORD autoStart = 0;
        EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kSettingsKey).ReadNumber("CheckAutoStart", &autoStart));
    }

    std::string installDir_, source_;
    // Takes the help request, so no help viewer of the prefix opens.
    HelpViewer helpViewer_;
};

TEST_F(Installer, ShippedFolderHoldsEveryListedFile) {
    std::string missing;
    for (const auto& name : ListedFiles(ShippedDir())) {
        if (GetFileAttributesA((ShippedDir() + "\\" + name).c_str()) == INVALID_FILE_ATTRIBUTES) missing += " " + name;
    }
    for (const char* name : {"setup.exe", "setup.lst"})
        EXPECT_NE(GetFileAttributesA((ShippedDir() + "\\" + name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    EXPECT_GE(ListedFiles(ShippedDir()).size(), 8u);
    if (!missing.empty()) GTEST_SKIP() << "not built by this tree yet:" << missing;
}

TEST_F(Installer, WizardInstallsOpensHelpAndStartsTheChecker) {
    Wizard w;
    ASSERT_TRUE(w.start(source_));
    EXPECT_EQ(w.pageIndex(), 0);
    EXPECT_TRUE(WaitUntil([&] { return w.enabled(kNext) && !w.enabled(kBack); }, 5s));
    ASSERT_TRUE(w.press(PSBTN_NEXT, 1));
    const std::wstring agreement = LongText(GetDlgItem(w.page(), 1020));
    EXPECT_EQ(agreement.size(), ReadFileBytes(source_ + "\\license.txt").size());
    EXPECT_NE(agreement.find(L"MIT License"), std::wstring::npos);
    ASSERT_TRUE(w.press(PSBTN_NEXT, 2));
    HWND dirBox = GetDlgItem(w.page(), 1000);
    EXPECT_EQ(WindowTextOf(dirBox), std::wstring(installDir_.begin(), installDir_.end()));
    EXPECT_FALSE(IsWindowEnabled(dirBox));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w.page(), 1001)));
    ASSERT_TRUE(w.press(PSBTN_NEXT, 3));
    EXPECT_TRUE(WaitUntil([&] { return w.enabled(kFinish) && w.enabled(kBack); }, 5s));
    // Back to the licence: the same text again.
    ASSERT_TRUE(w.press(PSBTN_BACK, 2));
    ASSERT_TRUE(w.press(PSBTN_BACK, 1));
    EXPECT_EQ(LongText(GetDlgItem(w.page(), 1020)), agreement);
    ASSERT_TRUE(w.press(PSBTN_NEXT, 2));
    ASSERT_TRUE(w.press(PSBTN_NEXT, 3));
    w.finish();

    HWND box = WaitForMessageBox(w.process.pid(), L"Setup", 30s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), L"Mailwick installation complete");
    auto progress = TopLevelWindows(w.process.pid(), L"Installation progress");
    ASSERT_EQ(progress.size(), 1u);
    for (int label : {1101, 1102, 1103, 1104}) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress[0], label))) << label;

    for (const auto& name : ListedFiles(source_))
        EXPECT_EQ(ReadFileBytes(installDir_ + "\\" + name), ReadFileBytes(source_ + "\\" + name)) << name;
    const std::string program = installDir_ + "\\Mailwick.exe";
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kAppPathsKeyPath, ""), std::make_pair(DWORD{REG_SZ}, program + '\0'));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, "DisplayName"),
              std::make_pair(DWORD{REG_SZ}, std::string("Mailwick (32-bit) v1.0 final") + '\0'));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, "UninstallString"),
              std::make_pair(DWORD{REG_SZ}, "\"" + installDir_ + "\\MWuninst.exe\"" + '\0'))
        << "quoted: the folder's name has blanks";
    DWORD autoStart = 0;
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kSettingsKey).ReadNumber("CheckAutoStart", &autoStart));
    std::string server;
    EXPECT_TRUE(GetRegString("Server", &server)) << "the other settings stay";
    EXPECT_EQ(GetFileAttributesA(ShortcutPath().c_str()), INVALID_FILE_ATTRIBUTES);

    AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitUntil([] { return g_help.seen; }, 20s));
    EXPECT_EQ(g_help.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(g_help.data, 1200);
    EXPECT_STRCASEEQ(g_help.file.c_str(), (installDir_ + "\\mailwick.hlp").c_str());
    const DWORD checker = WaitForStartedChecker();
    ASSERT_NE(checker, 0u);
    EXPECT_STRCASEEQ(ImagePathOf(checker).c_str(), program.c_str());
    EXPECT_EQ(w.process.waitExit(20s), 0);
}

TEST_F(Installer, SecondInstallReplacesFilesAndValues) {
    InstallThroughTheWizard();
    EndAnyChecker();
    WriteFileBytes(installDir_ + "\\license.txt", "changed by the user");
    RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_WRITE).WriteText("DisplayName", "changed");
    InstallThroughTheWizard();
    EXPECT_EQ(ReadFileBytes(installDir_ + "\\license.txt"), ReadFileBytes(source_ + "\\license.txt"));
    EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, "DisplayName").second,
              std::string("Mailwick (32-bit) v1.0 final") + '\0');
}

TEST_F(Installer, MissingListedFileStopsWithThreeMessagesAndNoRegistryEntries) {
    const auto listed = ListedFiles(source_);
    ASSERT_GE(listed.size(), 3u);
    const std::string missing = listed[listed.size() - 2];
    DeleteFileA((source_ + "\\" + missing).c_str());

    Wizard w;
    ASSERT_TRUE(w.start(source_));
    for (int page = 1; page < 4; ++page) ASSERT_TRUE(w.press(PSBTN_NEXT, page));
    w.finish();
    std::vector<std::wstring> shown;
    for (int i = 0; i < 3; ++i) {
        HWND box = WaitForMessageBox(w.process.pid(), L"Setup", 30s);
        ASSERT_NE(box, nullptr) << "message " << i + 1;
        shown.push_back(MessageBoxText(box));
        if (i == 2) {
            auto progress = TopLevelWindows(w.process.pid(), L"Installation progress");
            ASSERT_EQ(progress.size(), 1u);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress[0], 1101)));
            for (int label : {1102, 1103, 1104}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress[0], label))) << label;
        }
        AnswerMessageBox(box, IDOK);
    }
    const std::string failed = "Failed trying to copy '" + missing + "' to '" + installDir_ + "\\" + missing + "'";
    EXPECT_EQ(shown[0], std::wstring(failed.begin(), failed.end()));
    EXPECT_EQ(shown[1], L"Failed to copy files");
    EXPECT_EQ(shown[2].rfind(L"Mailwick FAILED to install.  Please run setup again.\nIf problem persists please contact ", 0), 0u);
    EXPECT_EQ(w.process.waitExit(20s), 0);

    for (size_t i = 0; i + 2 < listed.size(); ++i)
        EXPECT_NE(GetFileAttributesA((installDir_ + "\\" + listed[i]).c_str()), INVALID_FILE_ATTRIBUTES) << listed[i];
    EXPECT_EQ(GetFileAttributesA((installDir_ + "\\" + listed.back()).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKeyPath));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKeyPath));
    EXPECT_EQ(FindWindowA("AppWClass", "Mailwick_Main"), nullptr);
}

TEST_F(Installer, CancelOnAnyPageInstallsNothing) {
    for (int page = 0; page < 4; ++page) {
        Wizard w;
        ASSERT_TRUE(w.start(source_));
        for (int p = 1; p <= page; ++p) ASSERT_TRUE(w.press(PSBTN_NEXT, p));
        PostMessageW(w.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_EQ(w.process.waitExit(20s), 0) << "page " << page + 1;
        EXPECT_EQ(FindMessageBox(w.process.pid(), L"Setup"), nullptr);
        ExpectNothingInstalled();
    }
}

TEST_F(Installer, SetupRefusesWhileTheCheckerRuns) {
    SetRegDword("CheckAutoStart", 0);  // no first-run shortcut from this checker
    CheckerProcess checker;
    ASSERT_TRUE(checker.start(CheckerExePath(), source_));
    ASSERT_NE(checker.waitForMainWindow(), nullptr);
    CheckerProcess setup;
    ASSERT_TRUE(setup.start(source_ + "\\setup.exe", source_));
    HWND box = WaitForMessageBox(setup.pid(), L"Setup");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kRunningSetup);
    AnswerMessageBox(box, IDOK);
    EXPECT_EQ(setup.waitExit(20s), 0);
    EXPECT_TRUE(TopLevelWindows(setup.pid()).empty());
    EXPECT_EQ(GetFileAttributesA(installDir_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKeyPath));
}

// MWuninst over an installation made by hand: the entries setup writes and a program folder.
class Uninstaller : public Installer {
protected:
    void SetUp() override {
        Installer::SetUp();
        CreateDirectoryA(installDir_.c_str(), nullptr);
        for (const auto& name : ListedFiles(source_))
            CopyFileA((source_ + "\\" + name).c_str(), (installDir_ + "\\" + name).c_str(), FALSE);
        RegKey::Create(HKEY_LOCAL_MACHINE, kAppPathsKeyPath).WriteText("", installDir_ + "\\Mailwick.exe");
        RegKey::Create(HKEY_LOCAL_MACHINE, kUninstallKeyPath).WriteText("DisplayName", "Mailwick (32-bit) v1.0 final");
    }
    // Runs MWuninst from the install folder; the first box's text.
    std::wstring Start(CheckerProcess& p) {
        EXPECT_TRUE(p.start(installDir_ + "\\MWuninst.exe", installDir_));
        box_ = WaitForMessageBox(p.pid(), L"Uninstall");
        return box_ ? MessageBoxText(box_) : L"";
    }
    void ExpectInstallationIntact() {
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKeyPath));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKeyPath));
        EXPECT_NE(GetFileAttributesA(ShortcutPath().c_str()), INVALID_FILE_ATTRIBUTES);
    }
    HWND box_ = nullptr;
};

TEST_F(Uninstaller, NoRemovesNothing) {
    CheckerProcess p;
    ASSERT_EQ(Start(p), kConfirmUninstall);
    AnswerMessageBox(box_, IDNO);
    EXPECT_EQ(p.waitExit(10s), 0);
    ExpectInstallationIntact();
}

TEST_F(Uninstaller, YesRemovesTheEntriesAndKeepsTheFilesTwice) {
    for (int run = 1; run <= 2; ++run) {
        CheckerProcess p;
        ASSERT_EQ(Start(p), kConfirmUninstall) << "run " << run;
        AnswerMessageBox(box_, IDYES);
        HWND done = WaitForMessageBox(p.pid(), L"Uninstall", 30s);
        ASSERT_NE(done, nullptr);
        EXPECT_EQ(MessageBoxText(done), kUninstalled);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKey));
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Quenby Systems\\Mailwick"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathsKeyPath));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKeyPath));
        EXPECT_EQ(GetFileAttributesA(ShortcutPath().c_str()), INVALID_FILE_ATTRIBUTES);
        AnswerMessageBox(done, IDOK);
        EXPECT_EQ(p.waitExit(10s), 0);
        for (const auto& name : ListedFiles(source_))
            EXPECT_NE(GetFileAttributesA((installDir_ + "\\" + name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
}

TEST_F(Uninstaller, RefusedWhileTheCheckerRuns) {
    SetRegDword("CheckAutoStart", 0);
    CheckerProcess checker;
    ASSERT_TRUE(checker.start(CheckerExePath(), source_));
    ASSERT_NE(checker.waitForMainWindow(), nullptr);
    CheckerProcess p;
    ASSERT_EQ(Start(p), kRunningUninstall);
    AnswerMessageBox(box_, IDOK);
    EXPECT_EQ(p.waitExit(10s), 0);
    ExpectInstallationIntact();
}

}  // namespace
}  // namespace mwtest
