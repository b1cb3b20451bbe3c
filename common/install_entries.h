// The system registry entries that the installer writes and the uninstaller removes,
// both under HKEY_LOCAL_MACHINE.
#pragma once

#include <string>

namespace mailwick {

// Lets the shell find the checker by its program name.
inline constexpr char kAppPathsKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Mailwick.exe";
// The checker's line in the list of removable programs.
inline constexpr char kUninstallKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mailwick";

// Its "UninstallString": the uninstaller's path in quotes, since the folder has blanks.
inline std::string UninstallCommand(const std::string& installDir) {
    return "\"" + installDir + "\\MWuninst.exe\"";
}

}  // namespace mailwick
