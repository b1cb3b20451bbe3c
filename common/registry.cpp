#include "common/registry.h"

namespace mailwick {

RegKey& RegKey::operator=(RegKey&& other) noexcept {
    if (this != &other) {
        Close();
        key_ = other.key_;
        other.key_ = nullptr;
    }
    return *this;
}

RegKey RegKey::Open(HKEY root, const char* subkey, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkey, 0, access, &key) != ERROR_SUCCESS) return RegKey();
    return RegKey(key);
}

RegKey RegKey::Create(HKEY root, const char* subkey, REGSAM access) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return RegKey();
    return RegKey(key);
}

void RegKey::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

bool RegKey::ReadValue(const char* name, void* data, DWORD size, DWORD* type, DWORD* length) const {
    if (!key_) return false;
    DWORD storedType = REG_NONE;
    DWORD bytes = size;
    if (RegQueryValueExA(key_, name, nullptr, &storedType, static_cast<BYTE*>(data), &bytes) !=
        ERROR_SUCCESS)
        return false;
    if (type) *type = storedType;
    if (length) *length = bytes;
    return true;
}

bool RegKey::ReadNumber(const char* name, DWORD* value) const {
    // A shorter value would fill only part of the number: treat it as unreadable.
    DWORD number = 0, length = 0;
    if (!ReadValue(name, &number, sizeof number, nullptr, &length) || length != sizeof number)
        return false;
    *value = number;
    return true;
}

bool RegKey::ReadText(const char* name, DWORD width, std::string* text, bool stringTypeOnly) const {
    if (width == 0) return false;
    std::string buffer(width, '\0');
    DWORD type = REG_NONE, length = 0;
    if (!ReadValue(name, buffer.data(), width, &type, &length)) return false;
    if (stringTypeOnly && type != REG_SZ) return false;
    buffer.resize(length);
    const auto end = buffer.find('\0');
    // Without a terminator inside the field the text fills it completely: too long.
    if (end == std::string::npos && length >= width) return false;
    if (end != std::string::npos) buffer.resize(end);
    *text = std::move(buffer);
    return true;
}

bool RegKey::WriteValue(const char* name, DWORD type, const void* data, DWORD size) const {
    return key_ && RegSetValueExA(key_, name, 0, type, static_cast<const BYTE*>(data), size) ==
                       ERROR_SUCCESS;
}

bool RegKey::WriteText(const char* name, std::string_view text) const {
    const std::string value(text.substr(0, text.find('\0')));
    return WriteValue(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool RegKey::WriteDword(const char* name, DWORD value) const {
    return WriteValue(name, REG_DWORD, &value, sizeof value);
}

bool RegKey::WriteBinary32(const char* name, DWORD value) const {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                           static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
    return WriteValue(name, REG_BINARY, bytes, sizeof bytes);
}

bool RegKey::DeleteValue(const char* name) const {
    if (!key_) return false;
    const LONG rc = RegDeleteValueA(key_, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool RegReadText(HKEY root, const char* subkey, const char* name, DWORD width, std::string* text,
                 bool stringTypeOnly) {
    return RegKey::Open(root, subkey).ReadText(name, width, text, stringTypeOnly);
}

bool RegWriteText(HKEY root, const char* subkey, const char* name, std::string_view text) {
    return RegKey::Create(root, subkey, KEY_WRITE).WriteText(name, text);
}

bool RegDeleteValueAt(HKEY root, const char* subkey, const char* name) {
    return RegKey::Open(root, subkey, KEY_SET_VALUE).DeleteValue(name);
}

bool RegDeleteKeyAt(HKEY root, const char* subkey) {
    return RegDeleteKeyA(root, subkey) == ERROR_SUCCESS;
}

bool RegDeleteKeyTree(HKEY root, const char* subkey) {
    {
        const RegKey key = RegKey::Open(root, subkey, KEY_READ | KEY_WRITE);
        if (!key) return RegKey::Open(root, subkey).Get() == nullptr;
        // Always the first subkey: each pass deletes the one it found.
        char name[256];
        for (;;) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            const std::string child = std::string(subkey) + "\\" + name;
            if (!RegDeleteKeyTree(root, child.c_str())) return false;
        }
    }
    return RegDeleteKeyA(root, subkey) == ERROR_SUCCESS;
}

}  // namespace mailwick
