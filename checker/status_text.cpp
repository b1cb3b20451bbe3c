#include <windows.h>
#include <commctrl.h>

#include <mutex>

#include "checker/checker_state.h"
#include "checker/mail_list/mail_rows.h"

namespace mailwick {

namespace {
std::mutex g_statusLock;
std::string g_statusText;
}  // namespace

void SetStatusText(const char* text) {
    std::string copy(text ? text : "");
    if (copy.size() > kMailRowTextMax) copy.resize(kMailRowTextMax);
    {
        std::lock_guard<std::mutex> hold(g_statusLock);
        g_statusText = copy;
    }
    // Outside the lock: from the worker this is a send the main thread carries out.
    if (HWND bar = g_process.statusBar.load()) {
        SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(copy.c_str()));
        InvalidateRect(bar, nullptr, TRUE);
        UpdateWindow(bar);
    }
}

std::string StatusText() {
    std::lock_guard<std::mutex> hold(g_statusLock);
    return g_statusText;
}

}  // namespace mailwick
