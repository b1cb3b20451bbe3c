// What setup.exe keeps for the whole run, all on its one user-interface thread.
#pragma once

#include <windows.h>

#include <string>

namespace mailwick {

// setup.exe's own module: the wizard pages and the progress window come from it.
extern HINSTANCE SetupInstance;
// Where the files go: the Program Files folder + "\Mailwick", without a trailing backslash.
extern std::string InstallDir;
// InstallDir + "\Mailwick.exe", set once the program path is registered.
extern std::string InstalledProgramPath;
// The licence page's text, read from license.txt when that page is first made.
extern std::string AgreementText;

// The longest InstallDir the installer takes.
inline constexpr std::size_t kMaxInstallDir = 259;

enum class InstallDirResult { Formed, NoWindowsKey, TooLong };
// Forms InstallDir from the system's "ProgramFilesDir".
InstallDirResult FormInstallDir();

}  // namespace mailwick
