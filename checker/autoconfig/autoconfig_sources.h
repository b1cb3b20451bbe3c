// The account (server and user name; for Thunderbird also security and port) as another
// mail program has it: Outlook Express, Internet Mail, Eudora, Netscape Navigator 4 and 3,
// and Thunderbird. Their registry keys and files are only read; no window is involved.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "checker/logic/client_prefs.h"

namespace mailwick {

inline constexpr std::size_t kAutoconfigServerWidth = 251;
inline constexpr std::size_t kAutoconfigUserWidth = 63;
inline constexpr std::size_t kAutoconfigPasswordWidth = 59;
inline constexpr std::size_t kAutoconfigClientWidth = 199;

// Runs every source whose prefix the client name begins with (case-sensitive), in a
// fixed order; a source that succeeds replaces what an earlier one found. The texts are
// cut to their widths; either is empty when no source gave it. Security and port come
// only from a source that names them (Thunderbird).
MailAccount FindMailAccount(std::string_view clientName);

}  // namespace mailwick
