// The texts the mail list shows in its date and size cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailwick {

// A "YYMMDDhhmmss" stamp (YY counted from 1980) as day/month/year hh:mm with the
// year's last two digits: "171103100500" shows "3/11/97 10:05". Anything that is not a
// twelve-digit stamp (no usable date header) shows empty.
std::string StampCellText(std::string_view stamp);

// "%d bytes" below 1024, else kilobytes with one decimal ("1.5 KB").
std::string SizeCellText(std::int32_t size);

}  // namespace mailwick
