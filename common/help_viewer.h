// Opening the help: WinHelp on "mailwick.hlp" or HTML Help on "mailwick.chm", whichever
// the platform can show, chosen once at start-up.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "common/help_choice.h"

namespace mailwick {

inline constexpr char kHtmlHelpFileName[] = "mailwick.chm";

// The archive's page of each context number, made from the help source at build time
// (the archive's own context map cannot be relied on).
struct HelpPage {
    DWORD context;
    const char* page;
};
extern const char kHelpContentsPage[];
extern const HelpPage kHelpPages[];
extern const std::size_t kHelpPageCount;
// The page of `context`; null when the help has none.
const char* HelpPageFor(DWORD context);

// The facts ChooseHelpViewer needs, read from this system; `chmFile` is the archive
// whose presence counts.
HelpPlatformFacts ReadHelpPlatformFacts(const std::string& chmFile);

class HelpViewer {
public:
    // Looks at the platform once; later calls change nothing.
    void Choose(const std::string& chmFile);
    HelpViewerKind Kind() const { return kind_; }

    // As WinHelpA takes its commands: HELP_CONTEXT, HELP_FINDER and HELP_CONTENTS open
    // their page in either viewer. HTML Help cannot take a control-to-context table, so
    // HELP_WM_HELP and HELP_CONTEXTMENU give FALSE there and the caller opens the
    // control's context itself.
    BOOL Show(HWND owner, const std::string& hlpFile, const std::string& chmFile, UINT command,
              ULONG_PTR data) const;
    // Closes the HTML Help windows this process opened.
    void CloseAll() const;

private:
    using HtmlHelpFunction = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
    bool chosen_ = false;
    HelpViewerKind kind_ = HelpViewerKind::WinHelp;
    HtmlHelpFunction htmlHelp_ = nullptr;
};

// The program's one viewer.
HelpViewer& ProgramHelpViewer();

}  // namespace mailwick
