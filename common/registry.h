// Small registry helpers for the three programs. Keys are held by RegKey, which
// closes its key when it goes out of scope; the one-shot helpers open, act and close.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace mailwick {

// The checker's settings key under HKEY_CURRENT_USER (setup and the uninstaller touch it too).
inline constexpr char kSettingsKeyPath[] = "Software\\Quenby Systems\\Mailwick\\Version 1.0";

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { Close(); }
    RegKey(RegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens an existing key; an empty RegKey when it cannot be opened.
    static RegKey Open(HKEY root, const char* subkey, REGSAM access = KEY_READ);
    // Opens the key, creating it (and missing parents) when absent.
    static RegKey Create(HKEY root, const char* subkey, REGSAM access = KEY_READ | KEY_WRITE);

    explicit operator bool() const { return key_ != nullptr; }
    HKEY Get() const { return key_; }
    void Close();

    // Reads a value into `size` bytes at `data`; fails when absent or larger than `size`.
    // `type` and `length` (optional) receive the stored type and byte count.
    bool ReadValue(const char* name, void* data, DWORD size, DWORD* type = nullptr,
                   DWORD* length = nullptr) const;
    // A value of exactly 4 bytes, whatever its stored type.
    bool ReadNumber(const char* name, DWORD* value) const;
    // A text that fits `width` bytes with its terminator; the text ends at its first
    // zero byte. With `stringTypeOnly` a value not stored as REG_SZ counts as absent.
    bool ReadText(const char* name, DWORD width, std::string* text,
                  bool stringTypeOnly = false) const;

    bool WriteValue(const char* name, DWORD type, const void* data, DWORD size) const;
    // REG_SZ with the terminator counted in the size; the text ends at its first zero byte.
    bool WriteText(const char* name, std::string_view text) const;
    bool WriteDword(const char* name, DWORD value) const;
    // REG_BINARY of 4 bytes, little-endian.
    bool WriteBinary32(const char* name, DWORD value) const;
    // A missing value counts as deleted.
    bool DeleteValue(const char* name) const;

private:
    HKEY key_ = nullptr;
};

// One-shot forms: each opens its key, does its one access and closes the key.
bool RegReadText(HKEY root, const char* subkey, const char* name, DWORD width, std::string* text,
                 bool stringTypeOnly = false);
bool RegWriteText(HKEY root, const char* subkey, const char* name, std::string_view text);
// Opens (does not create) the key and deletes the value; true when the value is gone.
bool RegDeleteValueAt(HKEY root, const char* subkey, const char* name);
// Deletes the last component of `subkey` (which must have no subkeys of its own).
bool RegDeleteKeyAt(HKEY root, const char* subkey);
// Deletes the last component of `subkey` with everything below it; a missing key counts
// as deleted.
bool RegDeleteKeyTree(HKEY root, const char* subkey);

}  // namespace mailwick
