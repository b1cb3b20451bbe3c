// Sortable stamps of mail date texts.
#pragma once

#include <string>
#include <string_view>

namespace mailwick {

// "YYMMDDhhmmss" with YY = year - 1980, from a date text such as
// "Mon, 3 Nov 1997 10:05:00 +0000" (the weekday, if any, ends at the first ','; two-digit
// years are of the 1900s; the zone is ignored). Fields that cannot be read count as 0 and
// an unknown month as December. Fixed width for the years 1980 to 2079, so the stamps
// sort as text.
std::string DateToStamp(std::string_view text);

}  // namespace mailwick
