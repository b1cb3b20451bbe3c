#include "checker/startup_shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>

#include "common/message_box.h"

namespace mailwick {

namespace {

constexpr char kCaption[] = "Mailwick";
constexpr int kMaxWidePath = 260;

// Holds one COM interface and releases it.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return p_; }
    void** Out() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

// COM for this thread, undone only if this call did it.
class ComScope {
public:
    ComScope() : initialized_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope() {
        if (initialized_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialized_;
};

std::string CurrentDirectory() {
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string dir(needed, '\0');
    const DWORD length = GetCurrentDirectoryA(needed, dir.data());
    dir.resize(length < needed ? length : 0);
    return dir;
}

enum class LinkResult { NoLinkObject, Saved, SaveFailed };

LinkResult SaveShellLink(const std::string& path) {
    ComRef<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.Out())))
        return LinkResult::NoLinkObject;
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) return LinkResult::NoLinkObject;

    const std::string workingDir = CurrentDirectory();
    const std::string target = workingDir + "\\mailwick.exe";
    link->SetPath(target.c_str());
    link->SetDescription(kShortcutDescription);
    link->SetWorkingDirectory(workingDir.c_str());

    WCHAR widePath[kMaxWidePath];
    // A path that does not fit cannot be saved: reported like any failed save.
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, kMaxWidePath) == 0)
        return LinkResult::SaveFailed;
    return file->Save(widePath, TRUE) == S_OK ? LinkResult::Saved : LinkResult::SaveFailed;
}

}  // namespace

bool StartupShortcutExists() {
    std::string path;
    if (!StartupShortcutPath(&path)) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateStartupShortcut() {
    std::string path;
    if (!StartupShortcutPath(&path)) return;
    if (StartupShortcutExists()) return;

    LinkResult result;
    {
        ComScope com;
        result = SaveShellLink(path);
    }
    if (result == LinkResult::NoLinkObject) return;  // silent, as nothing was attempted
    ShowMessageBox(nullptr, result == LinkResult::Saved ? kShortcutCreatedText : kShortcutFailedText,
                   kCaption, MB_OK);
}

}  // namespace mailwick
