#include "checker/startup_shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>

#include "checker/checker_files.h"
#include "common/com.h"
#include "common/message_box.h"

namespace mailwick {

namespace {

constexpr int kMaxWidePath = 260;

enum class LinkResult { NoLinkObject, Saved, SaveFailed };

LinkResult SaveShellLink(const std::string& path) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.ReceiveVoid())))
        return LinkResult::NoLinkObject;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return LinkResult::NoLinkObject;

    // Where the program was started from, whatever the current directory is now.
    const std::string workingDir = StartupDirectory();
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

void CreateStartupShortcut(HWND owner) {
    std::string path;
    if (!StartupShortcutPath(&path)) return;
    if (StartupShortcutExists()) return;

    LinkResult result;
    {
        ComApartment com;
        result = SaveShellLink(path);
    }
    if (result == LinkResult::NoLinkObject) return;  // silent, as nothing was attempted
    ShowMessageBox(owner, result == LinkResult::Saved ? kShortcutCreatedText : kShortcutFailedText,
                   kMessageCaption, MB_OK);
}

}  // namespace mailwick
