#include "checker/help.h"

#include <atomic>

#include "checker/checker_files.h"
#include "common/help_viewer.h"

namespace mailwick {

#ifndef _WIN64
// The record of Windows 95 / NT 4.0 shells.
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);
#endif

namespace {
std::atomic<ShellExecuteFunction> g_shellExecute{&ShellExecuteExA};
}  // namespace

std::string HelpFilePath() { return ShippedFilePath(kHelpFileName); }
std::string HtmlHelpFilePath() { return ShippedFilePath(kHtmlHelpFileName); }

void SelectHelpViewer() { ProgramHelpViewer().Choose(HtmlHelpFilePath()); }

BOOL ShowHelp(HWND owner, UINT command, ULONG_PTR data) {
    return ProgramHelpViewer().Show(owner, HelpFilePath(), HtmlHelpFilePath(), command, data);
}

void CloseHelp() { ProgramHelpViewer().CloseAll(); }

void OnHelpContents(HWND mainWindow) { ShowHelp(mainWindow, HELP_FINDER, 0); }

void OpenShortcutFile(const char* fileName) {
    const std::string path = ShippedFilePath(fileName);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = 0;
    info.hwnd = nullptr;
    info.lpVerb = "Open";
    info.lpFile = path.c_str();
    info.lpParameters = "";
    info.lpDirectory = "";
    info.nShow = SW_SHOWNORMAL;
    g_shellExecute.load()(&info);
}

ShellExecuteFunction SetShellExecuteFunction(ShellExecuteFunction function) {
    return g_shellExecute.exchange(function ? function : &ShellExecuteExA);
}

}  // namespace mailwick
