// Which viewer opens the help: a rule over the platform's facts, with no Windows call,
// so it is the same for every program and testable anywhere.
#pragma once

namespace mailwick {

enum class HelpViewerKind { WinHelp, HtmlHelp };

struct HelpPlatformFacts {
    bool wine = false;             // ntdll exports wine_get_version
    unsigned majorVersion = 0;     // of Windows
    bool htmlHelpPresent = false;  // hhctrl.ocx in the system folder exports HtmlHelpA
    bool chmPresent = false;       // the HTML Help archive exists
};

// Wine's WinHelp viewer works while its HTML Help needs an HTML engine that is often
// missing; Windows before Vista has WinHelp. Later Windows has no WinHelp viewer at all.
constexpr HelpViewerKind ChooseHelpViewer(const HelpPlatformFacts& facts) {
    if (facts.wine || facts.majorVersion < 6) return HelpViewerKind::WinHelp;
    if (facts.htmlHelpPresent && facts.chmPresent) return HelpViewerKind::HtmlHelp;
    return HelpViewerKind::WinHelp;
}

}  // namespace mailwick
