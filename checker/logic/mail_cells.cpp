#include "checker/logic/mail_cells.h"

#include <cstdio>

namespace mailwick {

namespace {

int TwoDigits(std::string_view text, std::size_t at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); }

}  // namespace

std::string StampCellText(std::string_view stamp) {
    if (stamp.size() != 12) return {};
    for (char c : stamp) {
        if (c < '0' || c > '9') return {};
    }
    const int year = TwoDigits(stamp, 0) + 1980;
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%02d %02d:%02d", TwoDigits(stamp, 4), TwoDigits(stamp, 2), year % 100,
                  TwoDigits(stamp, 6), TwoDigits(stamp, 8));
    return text;
}

std::string SizeCellText(std::int32_t size) {
    char text[64];
    if (size < 1024) std::snprintf(text, sizeof text, "%d bytes", static_cast<int>(size));
    else std::snprintf(text, sizeof text, "%.1f KB", size / 1024.0);
    return text;
}

}  // namespace mailwick
