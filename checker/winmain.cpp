#include <windows.h>

#include "checker/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return mailwick::RunChecker(instance);
    } catch (...) {
        return 0;
    }
}
