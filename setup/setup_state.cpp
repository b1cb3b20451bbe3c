#include "setup/setup_state.h"

#include <algorithm>

#include "common/registry.h"

namespace mailwick {

HINSTANCE SetupInstance = nullptr;
std::string InstallDir;
std::string InstalledProgramPath;
std::string AgreementText;

namespace {
constexpr char kWindowsKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion";
}  // namespace

InstallDirResult FormInstallDir() {
    RegKey key = RegKey::Open(HKEY_LOCAL_MACHINE, kWindowsKeyPath);
    if (!key) return InstallDirResult::NoWindowsKey;
    // Read at any length, so a long folder is refused below rather than cut or dropped.
    std::string programFiles;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), "ProgramFilesDir", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
        size > 0) {
        programFiles.assign(size, '\0');
        if (RegQueryValueExA(key.Get(), "ProgramFilesDir", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(programFiles.data()), &size) == ERROR_SUCCESS)
            programFiles.resize(std::min<std::size_t>(size, programFiles.find('\0')));
        else
            programFiles.clear();
    }
    InstallDir = programFiles + "\\Mailwick";
    return InstallDir.size() > kMaxInstallDir ? InstallDirResult::TooLong : InstallDirResult::Formed;
}

}  // namespace mailwick
