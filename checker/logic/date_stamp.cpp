#include "checker/logic/date_stamp.h"

#include <charconv>
#include <cctype>
#include <cstdint>

namespace mailwick {

namespace {

// Reads the fields the way the scan format "%d %s %d %d:%d:%d" does, stopping at the
// first that does not match, but with numbers clamped instead of overflowing.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }

    bool Number(std::int64_t* out) {
        SkipBlanks();
        std::size_t p = pos_;
        bool negative = false;
        if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
        if (p >= text_.size() || !std::isdigit(static_cast<unsigned char>(text_[p]))) return false;
        std::int64_t value = 0;
        for (; p < text_.size() && std::isdigit(static_cast<unsigned char>(text_[p])); ++p) {
            if (value < kLimit) value = value * 10 + (text_[p] - '0');
        }
        if (value > kLimit) value = kLimit;
        *out = negative ? -value : value;
        pos_ = p;
        return true;
    }

    // A word of at most maxLength non-blank characters.
    bool Word(std::string* out, std::size_t maxLength) {
        SkipBlanks();
        std::size_t start = pos_;
        while (pos_ < text_.size() && pos_ - start < maxLength &&
               !std::isspace(static_cast<unsigned char>(text_[pos_])))
            ++pos_;
        if (pos_ == start) return false;
        out->assign(text_.substr(start, pos_ - start));
        return true;
    }

    bool Literal(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

private:
    static constexpr std::int64_t kLimit = 1'000'000'000;
    std::string_view text_;
    std::size_t pos_ = 0;
};

int MonthNumber(const std::string& name) {
    static const char* const kMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                            "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int i = 0; i < 12; ++i) {
        const char* m = kMonths[i];
        if (name.size() != 3) break;
        bool same = true;
        for (int k = 0; k < 3; ++k) {
            if (std::tolower(static_cast<unsigned char>(name[k])) != m[k]) same = false;
        }
        if (same) return i + 1;
    }
    return 12;
}

// Appends what "%02lld" makes of value: at least two digits, a sign when negative. Rows for
// a large list make two stamps each, and snprintf was most of their cost.
void AppendField(std::string& out, std::int64_t value) {
    if (value >= 0 && value < 10) out.push_back('0');
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

}  // namespace

std::string DateToStamp(std::string_view text) {
    if (auto comma = text.find(','); comma != std::string_view::npos) text.remove_prefix(comma + 1);

    std::int64_t day = 0, year = 0, hour = 0, minute = 0, second = 0;
    std::string month;
    Scanner in(text);
    // Each field is read only when the ones before it were.
    if (in.Number(&day) && in.Word(&month, 11) && in.Number(&year) && in.Number(&hour) &&
        in.Literal(':') && in.Number(&minute) && in.Literal(':')) {
        in.Number(&second);
    }

    if (year < 1900) year += 1900;
    year -= 1980;

    std::string stamp;
    stamp.reserve(12);
    for (std::int64_t field : {year, std::int64_t{MonthNumber(month)}, day, hour, minute, second}) {
        AppendField(stamp, field);
    }
    return stamp;
}

}  // namespace mailwick
