#include "common/help_viewer.h"

namespace mailwick {

namespace {

constexpr UINT kHhDisplayTopic = 0x0000;
constexpr UINT kHhCloseAll = 0x0012;

bool FileExists(const std::string& file) {
    const DWORD attributes = GetFileAttributesA(file.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// hhctrl.ocx from the system folder by its full path: a file of that name beside the
// program must not be loaded instead.
HMODULE LoadHtmlHelpControl() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    return LoadLibraryA((std::string(folder) + "\\hhctrl.ocx").c_str());
}

}  // namespace

const char* HelpPageFor(DWORD context) {
    for (std::size_t i = 0; i < kHelpPageCount; ++i) {
        if (kHelpPages[i].context == context) return kHelpPages[i].page;
    }
    return nullptr;
}

HelpPlatformFacts ReadHelpPlatformFacts(const std::string& chmFile) {
    HelpPlatformFacts facts;
    if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) facts.wine = GetProcAddress(ntdll, "wine_get_version") != nullptr;
    facts.majorVersion = LOBYTE(LOWORD(GetVersion()));
    // There WinHelp is chosen whatever the rest says: no need to load the control.
    if (facts.wine || facts.majorVersion < 6) return facts;
    if (HMODULE control = LoadHtmlHelpControl()) {
        facts.htmlHelpPresent = GetProcAddress(control, "HtmlHelpA") != nullptr;
        FreeLibrary(control);
    }
    facts.chmPresent = FileExists(chmFile);
    return facts;
}

void HelpViewer::Choose(const std::string& chmFile) {
    if (chosen_) return;
    chosen_ = true;
    kind_ = ChooseHelpViewer(ReadHelpPlatformFacts(chmFile));
    if (kind_ != HelpViewerKind::HtmlHelp) return;
    // Kept loaded for the process's life: its windows live in it.
    HMODULE control = LoadHtmlHelpControl();
    htmlHelp_ = control ? reinterpret_cast<HtmlHelpFunction>(
                              reinterpret_cast<void*>(GetProcAddress(control, "HtmlHelpA")))
                        : nullptr;
    if (!htmlHelp_) kind_ = HelpViewerKind::WinHelp;
}

BOOL HelpViewer::Show(HWND owner, const std::string& hlpFile, const std::string& chmFile, UINT command,
                      ULONG_PTR data) const {
    if (kind_ == HelpViewerKind::WinHelp) return WinHelpA(owner, hlpFile.c_str(), command, data);
    const char* page = nullptr;
    switch (command) {
        case HELP_CONTEXT: page = HelpPageFor(static_cast<DWORD>(data)); break;
        case HELP_FINDER:
        case HELP_CONTENTS: page = kHelpContentsPage; break;
        default: return FALSE;
    }
    if (!page) return FALSE;
    const std::string topic = chmFile + "::/" + page;
    return htmlHelp_(owner, topic.c_str(), kHhDisplayTopic, 0) != nullptr;
}

void HelpViewer::CloseAll() const {
    if (kind_ == HelpViewerKind::HtmlHelp && htmlHelp_) htmlHelp_(nullptr, nullptr, kHhCloseAll, 0);
}

HelpViewer& ProgramHelpViewer() {
    static HelpViewer viewer;
    return viewer;
}

}  // namespace mailwick
