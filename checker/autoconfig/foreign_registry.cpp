#include "checker/autoconfig/foreign_registry.h"

#include <algorithm>

#include "common/registry.h"

namespace mailwick {

namespace {

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::string Expand(const std::string& text) {
    const DWORD size = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::string out(size, '\0');
    const DWORD used = ExpandEnvironmentStringsA(text.c_str(), out.data(), size);
    if (used == 0 || used > size) return text;
    out.resize(out.find('\0'));
    return out;
}

}  // namespace

RegKey OpenForeignKey(HKEY root, const char* subkey) {
    RegKey key = RegKey::Open(root, subkey);
#ifdef _WIN64
    if (!key && root == HKEY_LOCAL_MACHINE) key = RegKey::Open(root, subkey, KEY_READ | KEY_WOW64_32KEY);
#endif
    return key;
}

std::optional<std::string> ReadForeignText(HKEY root, const char* subkey, const char* name, DWORD buffer) {
    const RegKey key = OpenForeignKey(root, subkey);
    std::string text(buffer, '\0');
    DWORD type = REG_NONE, length = 0;
    if (!key.ReadValue(name, text.data(), buffer, &type, &length) || !IsText(type)) return std::nullopt;
    text.resize(length);
    const std::size_t end = text.find('\0');
    // A text that fills the buffer without its terminator did not fit.
    if (end == std::string::npos && length >= buffer) return std::nullopt;
    if (end != std::string::npos) text.resize(end);
    if (type == REG_EXPAND_SZ) {
        text = Expand(text);
        if (text.size() >= buffer) return std::nullopt;
    }
    return text;
}

std::string ReadForeignTextCut(HKEY root, const char* subkey, const char* name, std::size_t width) {
    const RegKey key = OpenForeignKey(root, subkey);
    if (!key) return {};
    DWORD type = REG_NONE, length = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &length) != ERROR_SUCCESS ||
        !IsText(type))
        return {};
    std::string text(length + 1, '\0');
    DWORD got = length;
    if (!key.ReadValue(name, text.data(), got, &type, &got) || !IsText(type)) return {};
    text.resize(got);
    text.resize(std::min(text.find('\0'), text.size()));
    if (type == REG_EXPAND_SZ) text = Expand(text);
    if (text.size() > width) text.resize(width);
    return text;
}

}  // namespace mailwick
