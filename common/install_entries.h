// The system registry entries that the installer writes and the uninstaller removes,
// both under HKEY_LOCAL_MACHINE.
#pragma once

namespace mailwick {

// Lets the shell find the checker by its program name.
inline constexpr char kAppPathsKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Mailwick.exe";
// The checker's line in the list of removable programs.
inline constexpr char kUninstallKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Mailwick";

}  // namespace mailwick
