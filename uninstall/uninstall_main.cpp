// MWuninst: removes what the installer and the checker entered in the registry, and the
// Startup shortcut. The program files stay; the closing message asks the user to delete them.
#include <windows.h>

#include "common/app_identity.h"
#include "common/dll_search.h"
#include "common/install_entries.h"
#include "common/message_box.h"
#include "common/registry.h"
#include "common/startup_shortcut.h"
#include "uninstall/uninstall_texts.h"

namespace mailwick {
namespace {

// Between the settings and the system entries, as the uninstaller has always paused.
constexpr DWORD kPauseMs = 4000;

int Uninstall() {
    if (FindRunningChecker()) {
        ShowMessageBox(nullptr, kUninstallCheckerRunning, kUninstallCaption, MB_OK);
        return 0;
    }
    if (ShowMessageBox(nullptr, kUninstallConfirm, kUninstallCaption, MB_YESNO) != IDYES) return 0;

    // Each removal is silent: what is already gone, or refused, does not stop the rest.
    RemoveStartupShortcut();
    // With whatever lies below it, so no part of the settings outlives the uninstall.
    RegDeleteKeyTree(HKEY_CURRENT_USER, kSettingsKeyPath);
    Sleep(kPauseMs);
    RegDeleteKeyAt(HKEY_LOCAL_MACHINE, kAppPathsKeyPath);
    RegDeleteKeyAt(HKEY_LOCAL_MACHINE, kUninstallKeyPath);

    ShowMessageBox(nullptr, kUninstallFinished, kUninstallCaption, MB_OK);
    return 0;
}

}  // namespace
}  // namespace mailwick

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    mailwick::LoadDllsFromSystemFolderOnly();
    return mailwick::Uninstall();
}
