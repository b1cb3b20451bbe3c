// Autoconfig to look at and type into: a stand-in Account page with the three fields,
// and the AUTOCONFIG dialog opened over it at once for the client named on the command
// line, with Navigator 3 account values in a scratch registry. Writes "autoconfig-shown"
// in the current folder once a dialog or message box of its own is up, and ends 4 s after
// Autoconfig returns. scripts/screenshot-autoconfig.sh drives it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "checker/autoconfig/autoconfig.h"
#include "common/registry.h"
#include "fixtures/registry_sandbox.h"

using namespace mailwick;

namespace {

constexpr int kFields[] = {500, 501, 502};
constexpr const char* kLabels[] = {"Server:", "Username:", "Password:"};

// Tells the driving script that the window to look at is up.
void ReportShown(HWND page) {
    for (int i = 0; i < 500; ++i) {
        HWND popup = FindWindowA("#32770", nullptr);
        if (popup && GetWindow(popup, GW_OWNER) == page && IsWindowVisible(popup)) {
            Sleep(300);
            if (FILE* f = std::fopen("autoconfig-shown", "wb")) std::fclose(f);
            return;
        }
        Sleep(20);
    }
}

HWND MakePage() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "AccountStandIn";
    RegisterClassA(&wc);
    HWND page = CreateWindowA(wc.lpszClassName, "Account (stand-in)", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20,
                              360, 150, nullptr, nullptr, wc.hInstance, nullptr);
    for (int i = 0; i < 3; ++i) {
        CreateWindowA("STATIC", kLabels[i], WS_CHILD | WS_VISIBLE, 10, 12 + 30 * i, 80, 20, page, nullptr,
                      nullptr, nullptr);
        CreateWindowA("EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER | (i == 2 ? ES_PASSWORD : 0), 95,
                      10 + 30 * i, 240, 22, page, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFields[i])),
                      nullptr, nullptr);
    }
    return page;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    mwtest::RegistrySandbox registry;
    RegWriteText(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Mail", "POP Name", "pat.smith");
    RegWriteText(HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Services", "POP_Server",
                 "pop.isp.example.com");
    HWND page = MakePage();
    std::string client = *commandLine ? commandLine : "Netscape Mail";
    if (client.size() >= 2 && client.front() == '"' && client.back() == '"') client = client.substr(1, client.size() - 2);
    std::thread watcher(ReportShown, page);
    AutoConfigure(page, kFields[0], kFields[1], kFields[2], client.c_str());
    watcher.join();
    SetTimer(nullptr, 0, 4000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER) DispatchMessageA(&msg);
    DestroyWindow(page);
    return 0;
}
