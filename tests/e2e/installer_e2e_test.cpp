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

#include "checker/help.h"
#include "common/fill_text.h"
#include "common/install_entries.h"
#include "common/registry.h"
#include "common/startup_shortcut.h"
#include "e2e/driver.h"
#include "setup/progress_res.h"
#include "setup/setup_texts.h"
#include "setup/wizard_res.h"
#include "uninstall/uninstall_texts.h"

namespace mwtest {
namespace {

using mailwick::kAppPathsKeyPath;
using mailwick::kUninstallKeyPath;
using mailwick::RegKey;

const std::wstring kRunningUninstall = ToWide(mailwick::kUninstallCheckerRunning);
const std::wstring kConfirmUninstall = ToWide(mailwick::kUninstallConfirm);
const std::wstring kUninstalled = ToWide(mailwick::kUninstallFinished);

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

// setup.exe started from a folder, with its wizard once it shows.
struct Wizard {
    bool start(const std::string& dir) {
        if (!process.start(dir + "\\setup.exe", dir)) return false;
        sheet = SheetDriver(WaitForSheet(process.pid()));
        return sheet.Sheet() != nullptr;
    }
    CheckerProcess process;
    SheetDriver sheet{nullptr};
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
        for (const auto& name : ListedFiles(ShippedDir()))
            ASSERT_TRUE(CopyFileA((ShippedDir() + "\\" + name).c_str(), (source_ + "\\" + name).c_str(), FALSE)) << name;
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
        for (int page = 1; page < 4; ++page) ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, page));
        w.sheet.PressLater(PSBTN_FINISH);
        HWND box = WaitForMessageBox(w.process.pid(), ToWide(mailwick::kSetupCaption), 30s);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box), ToWide(mailwick::kInstallComplete));
        AnswerMessageBox(box, IDOK);
        EXPECT_EQ(w.process.waitExit(20s), 0);
        // setup has the shell start the checker, which may come up after setup has gone;
        // left running, it would hold its program file and refuse the next setup.
        EXPECT_NE(WaitForStartedChecker(), 0u);
        EndAnyChecker();
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
    EXPECT_EQ(missing, "");
}

TEST_F(Installer, WizardInstallsOpensHelpAndStartsTheChecker) {
    Wizard w;
    ASSERT_TRUE(w.start(source_));
    EXPECT_EQ(w.sheet.PageIndex(), 0);
    EXPECT_TRUE(WaitUntil([&] { return w.sheet.ButtonEnabled(kWizardNext) && !w.sheet.ButtonEnabled(kWizardBack); }, 5s));
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, 1));
    const std::string agreement = w.sheet.Text(IDC_LICENSE_TEXT);
    EXPECT_EQ(agreement.size(), ReadFileBytes(source_ + "\\license.txt").size());
    EXPECT_NE(agreement.find("MIT License"), std::string::npos);
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, 2));
    HWND dirBox = w.sheet.Item(IDC_INSTALL_DIR);
    EXPECT_EQ(WindowTextOf(dirBox), std::wstring(installDir_.begin(), installDir_.end()));
    EXPECT_FALSE(IsWindowEnabled(dirBox));
    EXPECT_FALSE(w.sheet.Enabled(IDC_BROWSE));
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, 3));
    EXPECT_TRUE(WaitUntil([&] { return w.sheet.ButtonEnabled(kWizardFinish) && w.sheet.ButtonEnabled(kWizardBack); }, 5s));
    // Back to the licence: the same text again.
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_BACK, 2));
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_BACK, 1));
    EXPECT_EQ(w.sheet.Text(IDC_LICENSE_TEXT), agreement);
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, 2));
    ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, 3));
    w.sheet.PressLater(PSBTN_FINISH);

    HWND box = WaitForMessageBox(w.process.pid(), ToWide(mailwick::kSetupCaption), 30s);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), ToWide(mailwick::kInstallComplete));
    auto progress = TopLevelWindows(w.process.pid(), L"Installation progress");
    ASSERT_EQ(progress.size(), 1u);
    for (int label : {IDC_STEP_DIRECTORY, IDC_STEP_APPLICATION, IDC_STEP_UNINSTALL, IDC_STEP_REGISTRY}) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress[0], label))) << label;

    for (const auto& name : ListedFiles(source_))
        EXPECT_EQ(ReadFileBytes(installDir_ + "\\" + name), ReadFileBytes(source_ + "\\" + name)) << name;
    const std::string program = installDir_ + "\\Mailwick.exe";
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kAppPathsKeyPath, ""), (RegValue{REG_SZ, program + '\0'}));
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, "DisplayName"),
              (RegValue{REG_SZ, std::string(mailwick::kUninstallDisplayName) + '\0'}));
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, "UninstallString"),
              (RegValue{REG_SZ, "\"" + installDir_ + "\\MWuninst.exe\"" + '\0'}))
        << "quoted: the folder's name has blanks";
    DWORD autoStart = 0;
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kSettingsKey).ReadNumber("CheckAutoStart", &autoStart));
    std::string server;
    EXPECT_TRUE(GetRegString("Server", &server)) << "the other settings stay";
    EXPECT_EQ(GetFileAttributesA(ShortcutPath().c_str()), INVALID_FILE_ATTRIBUTES);

    AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitUntil([] { return g_help.seen; }, 20s));
    EXPECT_EQ(g_help.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(g_help.data, static_cast<LONG>(mailwick::kHelpAfterInstall));
    EXPECT_STRCASEEQ(g_help.file.c_str(), (installDir_ + "\\mailwick.hlp").c_str());
    const DWORD checker = WaitForStartedChecker();
    ASSERT_NE(checker, 0u);
    EXPECT_STRCASEEQ(ImagePathOf(checker).c_str(), program.c_str());
    EXPECT_EQ(w.process.waitExit(20s), 0);
}

TEST_F(Installer, SecondInstallReplacesFilesAndValues) {
    InstallThroughTheWizard();
    WriteFileBytes(installDir_ + "\\license.txt", "changed by the user");
    RegKey::Open(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_WRITE).WriteText("DisplayName", "changed");
    InstallThroughTheWizard();
    EXPECT_EQ(ReadFileBytes(installDir_ + "\\license.txt"), ReadFileBytes(source_ + "\\license.txt"));
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kUninstallKeyPath, "DisplayName").bytes,
              std::string(mailwick::kUninstallDisplayName) + '\0');
}

TEST_F(Installer, MissingListedFileStopsWithThreeMessagesAndNoRegistryEntries) {
    const auto listed = ListedFiles(source_);
    ASSERT_GE(listed.size(), 3u);
    const std::string missing = listed[listed.size() - 2];
    DeleteFileA((source_ + "\\" + missing).c_str());

    Wizard w;
    ASSERT_TRUE(w.start(source_));
    for (int page = 1; page < 4; ++page) ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, page));
    w.sheet.PressLater(PSBTN_FINISH);
    std::vector<std::wstring> shown;
    for (int i = 0; i < 3; ++i) {
        HWND box = WaitForMessageBox(w.process.pid(), ToWide(mailwick::kSetupCaption), 30s);
        ASSERT_NE(box, nullptr) << "message " << i + 1;
        shown.push_back(MessageBoxText(box));
        if (i == 2) {
            auto progress = TopLevelWindows(w.process.pid(), L"Installation progress");
            ASSERT_EQ(progress.size(), 1u);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(progress[0], IDC_STEP_DIRECTORY)));
            for (int label : {IDC_STEP_APPLICATION, IDC_STEP_UNINSTALL, IDC_STEP_REGISTRY}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(progress[0], label))) << label;
        }
        AnswerMessageBox(box, IDOK);
    }
    const std::string failed = mailwick::FillText(mailwick::kCopyFileFailedFormat, {missing, installDir_ + "\\" + missing});
    EXPECT_EQ(shown[0], std::wstring(failed.begin(), failed.end()));
    EXPECT_EQ(shown[1], ToWide(mailwick::kCopyFailed));
    EXPECT_EQ(shown[2], ToWide(mailwick::kInstallFailed));
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
        for (int p = 1; p <= page; ++p) ASSERT_TRUE(w.sheet.PressUntilPage(PSBTN_NEXT, p));
        w.sheet.PressLater(PSBTN_CANCEL);
        EXPECT_EQ(w.process.waitExit(20s), 0) << "page " << page + 1;
        EXPECT_EQ(FindMessageBox(w.process.pid(), ToWide(mailwick::kSetupCaption)), nullptr);
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
    HWND box = WaitForMessageBox(setup.pid(), ToWide(mailwick::kSetupCaption));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), ToWide(mailwick::kSetupCheckerRunning));
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
        RegKey::Create(HKEY_LOCAL_MACHINE, kUninstallKeyPath).WriteText("DisplayName", mailwick::kUninstallDisplayName);
    }
    // Runs MWuninst from the install folder; the first box's text.
    std::wstring Start(CheckerProcess& p) {
        EXPECT_TRUE(p.start(installDir_ + "\\MWuninst.exe", installDir_));
        box_ = WaitForMessageBox(p.pid(), ToWide(mailwick::kUninstallCaption));
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
        HWND done = WaitForMessageBox(p.pid(), ToWide(mailwick::kUninstallCaption), 30s);
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
