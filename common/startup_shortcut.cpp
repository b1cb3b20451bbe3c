#include "common/startup_shortcut.h"

#include <windows.h>

#include "common/registry.h"

namespace mailwick {

namespace {
constexpr DWORD kStartupFolderWidth = 1024;
}  // namespace

bool FindStartupFolder(std::string* folder) {
    std::string value;
    // Only a string names a folder; any other type would give a nonsense path.
    if (!RegReadText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Startup", kStartupFolderWidth, &value,
                     /*stringTypeOnly=*/true))
        return false;
    // An empty value would put the shortcut in the root of the current drive.
    if (value.empty()) return false;
    *folder = std::move(value);
    return true;
}

bool StartupShortcutPath(std::string* path) {
    std::string folder;
    if (!FindStartupFolder(&folder)) return false;
    *path = folder + "\\" + kShortcutFileName;
    return true;
}

void RemoveStartupShortcut() {
    std::string path;
    if (StartupShortcutPath(&path)) DeleteFileA(path.c_str());
}

}  // namespace mailwick
