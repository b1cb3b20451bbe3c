// Fills the "%s" places of a text in order. Unlike printf, nothing in the values is read
// as a format: a file or program name may hold a '%'.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace mailwick {

inline std::string FillText(std::string_view format, std::initializer_list<std::string_view> values) {
    std::string text;
    auto value = values.begin();
    for (std::size_t at = 0;;) {
        const std::size_t place = format.find("%s", at);
        if (place == std::string_view::npos || value == values.end()) {
            text += format.substr(at);
            return text;
        }
        text += format.substr(at, place - at);
        text += *value++;
        at = place + 2;
    }
}

}  // namespace mailwick
