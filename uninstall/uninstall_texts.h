// The uninstaller's own texts, shown in its message boxes (caption kUninstallCaption).
#pragma once

namespace mailwick {

inline constexpr char kUninstallCaption[] = "Uninstall";
inline constexpr char kUninstallCheckerRunning[] =
    "Mailwick is currently running.  Exit Mailwick then run this uninstall program again.";
inline constexpr char kUninstallConfirm[] = "Please confirm that you wish to uninstall Mailwick";
inline constexpr char kUninstallFinished[] =
    "Uninstall of Mailwick finished.\nTo complete uninstall remove files from Mailwick install directory.";

}  // namespace mailwick
