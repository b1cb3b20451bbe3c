// Compare keys for the mail list's text columns. Sorting 100,000 rows called lstrcmpiA
// n log n times; a key made once per row orders the same way by comparing its bytes.
#pragma once

#include <windows.h>

#include <string_view>

#include "checker/logic/mail_row.h"

namespace mailwick {

// Gives every row the keys of its five text columns: what lstrcmpiA orders them by (the
// thread's locale, case ignored, word sort). Rows whose key cannot be made keep none and
// are compared with lstrcmpiA.
void MakeSortKeys(MailRowTable& rows);

// The key of text column `column` (0 to 4), or nothing when the row has no keys.
bool RowSortKey(const MailRow& row, int column, std::string_view* key);

}  // namespace mailwick
