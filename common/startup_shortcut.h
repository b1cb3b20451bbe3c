// The checker's shortcut "Mailwick.lnk" in the user's Startup folder.
#pragma once

#include <string>

namespace mailwick {

inline constexpr char kShellFoldersKeyPath[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kShortcutFileName[] = "Mailwick.lnk";

// The Startup folder from the user's shell folders; false when it cannot be read.
bool FindStartupFolder(std::string* folder);

// The folder + "\Mailwick.lnk"; false when the folder cannot be found.
bool StartupShortcutPath(std::string* path);

// Deletes the shortcut. Silent: a missing folder or file is nothing to report.
void RemoveStartupShortcut();

}  // namespace mailwick
