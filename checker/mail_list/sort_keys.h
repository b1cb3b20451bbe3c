// Compare keys for the mail list's text columns. Sorting 100,000 rows called lstrcmpiA
// n log n times; a key made once per row orders the same way by comparing its bytes.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "checker/logic/mail_row.h"

namespace mailwick {

// The key lstrcmpiA orders `text` by (the thread's locale, case ignored, word sort),
// without its terminator; `text` is cut at its first NUL as lstrcmpiA would. Empty when the
// platform makes none.
std::string MailSortKey(const std::string& text);

// Gives every row the keys of its five text columns. Rows whose key cannot be made keep
// none and are compared with lstrcmpiA.
void MakeSortKeys(MailRowTable& rows);

// The key of text column `column` (0 to 4), or nothing when the row has no keys.
bool RowSortKey(const MailRow& row, int column, std::string_view* key);

}  // namespace mailwick
