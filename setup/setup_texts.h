// The installer's own texts: its message boxes (caption kSetupCaption), the wizard's caption and
// the name it enters for the uninstall list. "%s" marks where FillText puts a name or number.
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
inline constexpr char kInstallDirTooLongFormat[] =
    "Setup cannot install into '%s': the path is longer than %s characters.";

inline constexpr char kWizardCaption[] = "Mailwick Setup";
inline constexpr char kUninstallDisplayName[] = "Mailwick (32-bit) v1.0 final";

// The copy of the listed files.
inline constexpr char kNoFileListText[] = "Could not find file containing list of installs.";
inline constexpr char kListedNameTooLongFormat[] = "The name '%s' in %s is longer than %s characters.";
inline constexpr char kListedNameNotPlainFormat[] = "The name '%s' in %s is not a plain file name.";
inline constexpr char kInstallPathTooLongFormat[] = "The install path '%s' is longer than %s characters.";
inline constexpr char kCopyFileFailedFormat[] = "Failed trying to copy '%s' to '%s'";

}  // namespace mailwick
