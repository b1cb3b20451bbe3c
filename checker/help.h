// The help file, the two web shortcut files, and the Help menu's commands that open them.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace mailwick {

inline constexpr char kHelpFileName[] = "mailwick.hlp";
inline constexpr char kHomepageFile[] = "Homepage.url";
inline constexpr char kAuthorFile[] = "Author.url";

// Help topics by context number.
inline constexpr ULONG_PTR kHelpAfterInstall = 1200;
inline constexpr ULONG_PTR kHelpAccountPage = 1430;
inline constexpr ULONG_PTR kHelpConnectionPage = 1431;
inline constexpr ULONG_PTR kHelpCheckingPage = 1432;
inline constexpr ULONG_PTR kHelpNotificationsPage = 1433;

// "mailwick.hlp" in the start-up directory, as a full path: a help viewer that is
// already running elsewhere would not find the bare name.
std::string HelpFilePath();
// "mailwick.chm" in the current directory, as a full path.
std::string HtmlHelpFilePath();
// Chooses the help viewer once, at start-up.
void SelectHelpViewer();
// Opens the help in the chosen viewer (commands as WinHelp takes them); its result.
BOOL ShowHelp(HWND owner, UINT command, ULONG_PTR data);
// Closes the help windows the checker opened, as it ends.
void CloseHelp();

// Command 220: the help file's contents.
void OnHelpContents(HWND mainWindow);
// Commands 223 and 224: opens the shortcut file from the start-up directory with the
// shell; the result is ignored.
void OpenShortcutFile(const char* fileName);

// Test seam: the function that carries out the shell call (ShellExecuteExA unless
// replaced). Returns the previous one.
using ShellExecuteFunction = BOOL(WINAPI*)(SHELLEXECUTEINFOA*);
ShellExecuteFunction SetShellExecuteFunction(ShellExecuteFunction function);

}  // namespace mailwick
