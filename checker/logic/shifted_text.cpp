#include "checker/logic/shifted_text.h"

namespace mailwick {

namespace {

std::string_view UpToTerminator(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

std::string ShiftText(std::string_view text) {
    std::string out(UpToTerminator(text));
    for (char& c : out) {
        const auto code = static_cast<unsigned char>(c);
        c = static_cast<char>(code == 255 ? 1 : code + 1);
    }
    return out;
}

std::string UnshiftText(std::string_view stored) {
    std::string out(UpToTerminator(stored));
    for (char& c : out) {
        const auto code = static_cast<unsigned char>(c);
        c = static_cast<char>(code == 1 ? 255 : code - 1);
    }
    return out;
}

}  // namespace mailwick
