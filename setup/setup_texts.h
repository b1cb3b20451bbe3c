// The installer's own texts, shown in its message boxes (caption kSetupCaption).
#pragma once

namespace mailwick {

inline constexpr char kSetupCaption[] = "Setup";
inline constexpr char kSetupCheckerRunning[] =
    "Mailwick is currently running.  Exit Mailwick then run this setup program again.";
inline constexpr char kInstallComplete[] = "Mailwick installation complete";
inline constexpr char kInstallFailed[] =
    "Mailwick FAILED to install.  Please run setup again.\n"
    "If problem persists please contact support@mailwick.example.org.";
inline constexpr char kCopyFailed[] = "Failed to copy files";
inline constexpr char kAppPathFailed[] = "Failed to write install registry entries";
inline constexpr char kUninstallEntryFailed[] = "Failed to write uninstall registry entries";
inline constexpr char kLicenseFallback[] = "[see License section in Mailwick.hlp file]";

}  // namespace mailwick
