// The checker's settings in the registry: the record (with the process-wide copy and
// its snapshot interface, checker/logic/settings_record.h) and its registry form under
// HKEY_CURRENT_USER\Software\Quenby Systems\Mailwick\Version 1.0.
#pragma once

#include <cstdint>

#include "checker/logic/settings_record.h"

namespace mailwick {

// Each of these opens the settings key (creating it when absent), does its reads or
// writes and closes it again. Results: 1 when the key could be opened (and, for the
// writes, every value was written), else 0. Registry failures are never shown.

// The account, then every option in the stored order; absent or unreadable values
// take their defaults. A missing "CheckAutoStart" turns automatic start on and
// places the Startup shortcut at once (which tells the user).
int32_t ReadSettings(Settings& settings);
// The account, then every option, with the stored types.
int32_t WriteSettings(const Settings& settings);

// "Username" and "Server" in their shifted form, the password with the user's data
// protection ("PasswordData", or the shifted "Password" of earlier versions); an absent
// or over-long value gives the empty text.
int32_t ReadAccount(Settings& settings);
int32_t WriteAccount(const Settings& settings);

}  // namespace mailwick
