#include "setup/shell_start.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "common/com.h"

namespace mailwick {

namespace {

#ifndef _WIN64
static_assert(sizeof(SHELLEXECUTEINFOA) == 60);
#endif

// A BSTR variant made from ANSI text, freed with the holder.
class TextVariant {
public:
    explicit TextVariant(const std::string& text) {
        VariantInit(&value_);
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        if (length <= 0) return;
        BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
        if (!wide) return;
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, length);
        value_.vt = VT_BSTR;
        value_.bstrVal = wide;
    }
    ~TextVariant() { VariantClear(&value_); }
    TextVariant(const TextVariant&) = delete;
    TextVariant& operator=(const TextVariant&) = delete;
    const VARIANT& Get() const { return value_; }
    bool Valid() const { return value_.vt == VT_BSTR; }

private:
    VARIANT value_;
};

// The desktop's IShellDispatch2: the shell windows' desktop entry, its top-level browser,
// its active view, that view's background object and its application object.
bool DesktopShell(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, windows.ReceiveVoid())))
        return false;
    VARIANT location, root;
    VariantInit(&location);
    VariantInit(&root);
    long desktopWindow = 0;
    ComPtr<IDispatch> desktop;
    if (windows->FindWindowSW(&location, &root, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                              desktop.Receive()) != S_OK ||
        !desktop)
        return false;
    ComPtr<IServiceProvider> services;
    if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.ReceiveVoid()))) return false;
    ComPtr<IShellBrowser> browser;
    if (FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid()))) return false;
    ComPtr<IShellView> view;
    if (FAILED(browser->QueryActiveShellView(view.Receive())) || !view) return false;
    ComPtr<IDispatch> background;
    if (FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) || !background)
        return false;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid()))) return false;
    ComPtr<IDispatch> application;
    if (FAILED(folderView->get_Application(application.Receive())) || !application) return false;
    return SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid())) && shell;
}

// Before Vista every program runs with the user's own rights.
bool HasSplitRights() { return LOBYTE(LOWORD(GetVersion())) >= 6; }

}  // namespace

bool StartThroughDesktop(const std::string& file, const std::string& parameters, const std::string& directory) {
    if (!HasSplitRights()) return false;
    const ComApartment apartment;
    ComPtr<IShellDispatch2> shell;
    if (!DesktopShell(shell)) return false;
    const TextVariant fileText(file), arguments(parameters), folder(directory), verb("open");
    if (!fileText.Valid()) return false;
    VARIANT show;
    VariantInit(&show);
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    return SUCCEEDED(shell->ShellExecute(fileText.Get().bstrVal, arguments.Get(), folder.Get(), verb.Get(), show));
}

void StartAsUser(const std::string& file, const std::string& parameters, const std::string& directory) {
    if (StartThroughDesktop(file, parameters, directory)) return;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.lpVerb = "Open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExA(&info);
}

}  // namespace mailwick
