// The four-page setup wizard; its Finish runs the installation.
#pragma once

#include <windows.h>

namespace mailwick {

// Shows the wizard owned by `owner` and returns when it is closed.
void RunSetupWizard(HWND owner);

}  // namespace mailwick
