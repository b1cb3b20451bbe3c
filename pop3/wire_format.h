// The integers and texts of the "UIDL" file: 32-bit signed little-endian, texts as a
// length and the bytes without terminator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pop3::wire {

inline void putInt(std::string& out, std::int32_t value) {
    auto u = std::uint32_t(value);
    char bytes[4] = {char(u & 0xff), char((u >> 8) & 0xff), char((u >> 16) & 0xff),
                     char((u >> 24) & 0xff)};
    out.append(bytes, 4);
}

inline void putText(std::string& out, std::string_view text) {
    putInt(out, std::int32_t(text.size()));
    out.append(text);
}

// Reads from a byte range without ever reading past it; a length beyond the remaining
// bytes or below zero fails the read instead of allocating.
class Reader {
public:
    Reader(std::string_view data, std::size_t pos) : data_(data), pos_(pos) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }

    bool getInt(std::int32_t& value) {
        if (remaining() < 4) return false;
        auto b = [this](std::size_t i) { return std::uint32_t(std::uint8_t(data_[pos_ + i])); };
        value = std::int32_t(b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24));
        pos_ += 4;
        return true;
    }

    bool getText(std::string_view& text, std::size_t maxLength = std::string_view::npos) {
        std::int32_t length = 0;
        if (!getInt(length) || length < 0 || std::size_t(length) > remaining() ||
            std::size_t(length) > maxLength)
            return false;
        text = data_.substr(pos_, std::size_t(length));
        pos_ += std::size_t(length);
        return true;
    }

private:
    std::string_view data_;
    std::size_t pos_;
};

}  // namespace pop3::wire
