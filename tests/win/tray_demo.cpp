// A tray icon to look at: shows the checker's icon and menu, and switches the run state
// to the one named in the file "tray-state.txt" of the current folder (stopped, waiting,
// checking, newmail, failed; quit ends it), answering in "tray-state.ack" once shown.
// scripts/screenshot-tray.sh drives it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "checker/checker_state.h"
#include "checker/resource.h"
#include "checker/tray.h"

using namespace mailwick;

namespace {

constexpr UINT_PTR kPollTimer = 10;
std::string g_shown;

std::string ReadState() {
    char text[32] = "";
    if (FILE* f = std::fopen("tray-state.txt", "rb")) {
        std::size_t n = std::fread(text, 1, sizeof text - 1, f);
        text[n] = 0;
        std::fclose(f);
    }
    std::string s(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

void Apply(HWND window, const std::string& name) {
    CheckerState& s = g_process.state;
    s.SetNewMailPending(0);
    s.SetFlashPhase(0);
    s.SetCheckFailed(0);
    s.SetCheckIdle(1);
    s.SetCheckingOn(name != "stopped");
    if (name == "checking") s.SetCheckIdle(0);
    if (name == "failed") s.SetCheckFailed(1);
    if (name == "newmail") {
        s.SetNewMailPending(1);
        s.SetFlashPhase(1);
    }
    if (name == "quit") {
        DestroyWindow(window);
        return;
    }
    if (FILE* f = std::fopen("tray-state.ack", "wb")) {
        std::fputs(name.c_str(), f);
        std::fclose(f);
    }
}

LRESULT CALLBACK DemoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (OnTaskbarCreated(window, message)) return 0;
    switch (message) {
    case WM_CREATE:
        TrayIconAction(window, TrayAdd);
        return 0;
    case WM_TIMER:
        if (wParam == kPollTimer) {
            std::string name = ReadState();
            if (!name.empty() && name != g_shown) {
                g_shown = name;
                Apply(window, name);
            }
        }
        return 0;
    case WM_INITMENU:
        UpdateMenuState(1);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_EXIT) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        TrayIconAction(window, TrayDelete);
        PostQuitMessage(0);
        return 0;
    default:
        if (message == TrayNotifyMessage) {
            OnTrayNotify(static_cast<UINT>(wParam), static_cast<UINT>(lParam), 1);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_process.instance = instance;
    WNDCLASSA wc{};
    wc.lpfnWndProc = DemoProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.lpszClassName = "TrayDemoWClass";
    if (!RegisterClassA(&wc)) return 1;
    HWND window = CreateWindowA("TrayDemoWClass", "Mailwick tray demo", WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    g_process.mainWindow = window;
    // As at the checker's start: the icon was added without a picture; now it gets one.
    LoadTrayResources();
    g_process.state.SetFlashPhase(0);
    SetTimer(window, kPollTimer, 200, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
