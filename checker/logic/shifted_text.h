// The registry form of the account texts: every character code moved up by one.
//
// Code 255 cannot move up (it would become the terminator), so it wraps to 1. The
// shift is then a one-to-one map of the codes 1..255, and every text that fits a
// registry string reads back unchanged. Stored code 1 could never be written by the
// plain shift (it would have come from a terminator), so values written by earlier
// installations read exactly as before.
#pragma once

#include <string>
#include <string_view>

namespace mailwick {

// Text as stored: each code c becomes c + 1, and 255 becomes 1. The text ends at its
// first zero byte.
std::string ShiftText(std::string_view text);

// The inverse: each stored code c becomes c - 1, and 1 becomes 255. Ends at the first
// zero byte.
std::string UnshiftText(std::string_view stored);

}  // namespace mailwick
