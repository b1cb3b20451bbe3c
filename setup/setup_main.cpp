// setup.exe: checks that the checker is not running, forms the install folder, and runs
// the wizard from a hidden main window once the message loop is up.
#include <windows.h>
#include <commctrl.h>

#include "common/app_identity.h"
#include "common/dll_search.h"
#include "common/fill_text.h"
#include "common/help_viewer.h"
#include "common/message_box.h"
#include "common/message_loop.h"
#include "common/window.h"
#include "setup/setup_state.h"
#include "setup/setup_texts.h"
#include "setup/wizard.h"

namespace mailwick {
namespace {

constexpr char kWindowClass[] = "SetupWClass";
constexpr WORD kStartWizard = 100;

class SetupWindow : public Window {
protected:
    bool OnCreate(const CREATESTRUCTA&) override {
        PostMessageA(Handle(), WM_COMMAND, kStartWizard, 0);
        return true;
    }
    bool OnCommand(WORD id, WORD, HWND) override {
        if (id != kStartWizard) return false;
        RunSetupWizard(Handle());
        PostQuitMessage(0);
        return true;
    }
    void OnDestroy() override { PostQuitMessage(0); }
};

int RunSetup(HINSTANCE instance) {
    SetupInstance = instance;
    if (FindRunningChecker()) {
        ShowMessageBox(nullptr, kSetupCheckerRunning, kSetupCaption, MB_OK);
        return 0;
    }
    switch (FormInstallDir()) {
        case InstallDirResult::NoWindowsKey:
            return 0;
        case InstallDirResult::TooLong:
            // A longer path would be cut short and the files would land somewhere else.
            ShowMessageBox(nullptr, FillText(kInstallDirTooLongFormat, {InstallDir, std::to_string(kMaxInstallDir)}).c_str(),
                           kSetupCaption, MB_OK);
            return 0;
        case InstallDirResult::Formed:
            break;
    }
    // The archive setup copies decides, as the installed one will be the same.
    char archive[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(kHtmlHelpFileName, MAX_PATH, archive, nullptr);
    ProgramHelpViewer().Choose(length > 0 && length < MAX_PATH ? archive : kHtmlHelpFileName);
    InitCommonControls();
    if (!RegisterWindowClass(instance, kWindowClass, nullptr)) return 0;
    static SetupWindow window;
    HWND hwnd = window.Create(instance, kWindowClass, "Setup", WS_OVERLAPPEDWINDOW);
    if (!hwnd) return 0;
    ShowWindow(hwnd, SW_HIDE);
    UpdateWindow(hwnd);
    return RunMessageLoop();
}

}  // namespace
}  // namespace mailwick

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    mailwick::LoadDllsFromSystemFolderOnly();
    return mailwick::RunSetup(instance);
}
