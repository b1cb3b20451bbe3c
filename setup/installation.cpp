#include "setup/installation.h"

#include "common/controls.h"
#include "common/dialog.h"
#include "common/install_entries.h"
#include "common/message_box.h"
#include "common/registry.h"
#include "common/startup_shortcut.h"
#include "setup/file_list.h"
#include "setup/progress_res.h"
#include "setup/setup_state.h"
#include "setup/setup_texts.h"

namespace mailwick {

namespace {

// Each step shows for a moment, so the user can follow them.
constexpr DWORD kStepDelayMs = 500;
constexpr int kStepLabels[] = {IDC_STEP_DIRECTORY, IDC_STEP_APPLICATION, IDC_STEP_UNINSTALL, IDC_STEP_REGISTRY};

// Four step labels, greyed until their step is done. It takes no input: even its close
// box does nothing, since the installation below it cannot be stopped.
class ProgressWindow : public Dialog {
public:
    void MarkDone(int label) {
        EnableItem(label, true);
        Repaint();
    }
    // The installation runs on the thread that would paint the window, so it paints now.
    void Repaint() const { RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); }

protected:
    bool OnCommand(WORD, WORD, HWND) override { return false; }
};

// Task-modal: without an owner the box would leave the wizard open to input.
void Fail(const char* message) {
    ShowMessageBox(nullptr, message, kSetupCaption, MB_OK | MB_TASKMODAL);
}

// A copied file keeps the "downloaded from the internet" mark of the unpacked archive,
// and Windows would then warn at every start of the checker.
bool CopyWithoutZoneMark(const std::string& source, const std::string& destination) {
    if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) return false;
    DeleteFileA((destination + ":Zone.Identifier").c_str());
    return true;
}

void Step(ProgressWindow& progress, int label) {
    Sleep(kStepDelayMs);
    progress.MarkDone(label);
}

}  // namespace

int CopyListedFiles(const char* listFile, const std::string& destinationDir) {
    CopyActions actions;
    actions.copyFile = CopyWithoutZoneMark;
    actions.report = [](const std::string& message) { Fail(message.c_str()); };
    return CopyListedFiles(std::string(listFile), destinationDir, actions);
}

int RunInstallation(HWND owner) {
    // Stays on the screen until setup ends.
    static ProgressWindow progress;
    progress.CreateModeless(SetupInstance, IDD_PROGRESS, owner);
    // Its template gives it no place of its own: show it where the eye goes first.
    CentreOnScreen(progress.Handle());
    for (int label : kStepLabels) progress.EnableItem(label, false);
    progress.Repaint();

    // An existing folder is simply used; one that cannot be made shows up as a copy failure.
    CreateDirectoryA(InstallDir.c_str(), nullptr);
    Step(progress, IDC_STEP_DIRECTORY);

    if (!CopyListedFiles(kFileListName, InstallDir)) {
        Fail(kCopyFailed);
        return 0;
    }

    RegKey appPath = RegKey::Create(HKEY_LOCAL_MACHINE, kAppPathsKeyPath, KEY_ALL_ACCESS);
    if (!appPath) {
        Fail(kAppPathFailed);
        return 0;
    }
    InstalledProgramPath = InstallDir + "\\Mailwick.exe";
    appPath.WriteText("", InstalledProgramPath);
    appPath.Close();
    Step(progress, IDC_STEP_APPLICATION);

    RegKey uninstall = RegKey::Create(HKEY_LOCAL_MACHINE, kUninstallKeyPath, KEY_ALL_ACCESS);
    if (!uninstall) {
        Fail(kUninstallEntryFailed);
        return 0;
    }
    uninstall.WriteText("DisplayName", kUninstallDisplayName);
    // Quoted: an unquoted path with blanks lets Windows try "C:\Program.exe" first.
    uninstall.WriteText("UninstallString", UninstallCommand(InstallDir));
    uninstall.Close();
    Step(progress, IDC_STEP_UNINSTALL);

    // Without the value the checker's next start turns start-up on and makes its shortcut anew.
    RegDeleteValueAt(HKEY_CURRENT_USER, kSettingsKeyPath, "CheckAutoStart");
    RemoveStartupShortcut();

    Step(progress, IDC_STEP_REGISTRY);
    Sleep(kStepDelayMs);
    return 1;
}

}  // namespace mailwick
