// Autoconfig on the options sheet's Account page: takes the server and user name from
// the chosen mail program's own settings, asks for the password in the AUTOCONFIG
// dialog and puts the three into the page's fields.
#pragma once

#include <windows.h>

#include <cstdint>

namespace mailwick {

// `page` owns the dialog and the failure message; the three ids name its server, user
// name and password edits; `clientName` is the mail client combo box's text. Returns 1
// when the dialog was shown (the fields change only on OK with a password), 0 after the
// "unable to auto-configure" message. When the source names its security, the security
// combo box (in the order of the "Security" values) and the port edit are set as well;
// other sources leave them as they are.
int32_t AutoConfigure(HWND page, int serverFieldId, int userFieldId, int passwordFieldId,
                      const char* clientName, int securityFieldId = 0, int portFieldId = 0);

}  // namespace mailwick
