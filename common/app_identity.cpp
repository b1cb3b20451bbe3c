#include "common/app_identity.h"

namespace mailwick {

HWND FindRunningChecker() {
    return FindWindowA(kMainWindowClass, kMainWindowTitle);
}

}  // namespace mailwick
