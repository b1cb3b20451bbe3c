// Sends a command to the running checker, as its tray menu would: posts WM_COMMAND with the
// id given on the command line to the hidden window "Mailwick_Main". For scripts; run it on
// the checker's desktop. Exit code 0 when the window was there (within 30 s), 1 when not, 2 on bad use.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
    const int id = std::atoi(args);
    if (id <= 0 || id > 0xffff) return 2;
    for (int tries = 0; tries < 300; ++tries) {
        if (HWND main = FindWindowA("AppWClass", "Mailwick_Main")) {
            PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(id), 0);
            return 0;
        }
        Sleep(100);
    }
    return 1;
}
