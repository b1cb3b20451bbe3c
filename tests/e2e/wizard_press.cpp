// Presses a button of the running setup wizard, as a click would: posts PSM_PRESSBUTTON
// with the button named on the command line (back, next, finish, cancel) to the wizard
// window; "wait" only waits for the wizard. For scripts; run it on the wizard's display.
// Exit code 0 when the wizard was there (within 60 s), 1 when not, 2 on bad use.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "fixtures/sheet_driver.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR args, int) {
    int button = -1;
    if (std::strcmp(args, "back") == 0) button = PSBTN_BACK;
    if (std::strcmp(args, "next") == 0) button = PSBTN_NEXT;
    if (std::strcmp(args, "finish") == 0) button = PSBTN_FINISH;
    if (std::strcmp(args, "cancel") == 0) button = PSBTN_CANCEL;
    const bool waitOnly = std::strcmp(args, "wait") == 0;
    if (button < 0 && !waitOnly) return 2;
    const mwtest::SheetDriver wizard(mwtest::WaitForSheet(0, std::chrono::seconds(60)));
    if (!wizard.Sheet()) return 1;
    if (!waitOnly) wizard.PressLater(button);
    return 0;
}
