#include "checker/settings.h"

#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>

#include "checker/logic/settings_table.h"
#include "checker/logic/shifted_text.h"
#include "checker/startup_shortcut.h"
#include "common/registry.h"

namespace mailwick {

namespace {

RegKey OpenSettingsKey() {
    return RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
}

std::string ProtectedName(const SettingValue& value) { return std::string(value.name) + kProtectedSuffix; }

// A stored blob larger than this holds no account text.
constexpr DWORD kMaxProtectedBytes = 4096;

// The text kept with the user's data protection; none when absent or when it does not
// decrypt for this user (another user's or a damaged value).
std::optional<std::string> ReadProtected(const RegKey& key, const std::string& name) {
    std::string blob(kMaxProtectedBytes, '\0');
    DWORD type = 0;
    DWORD length = 0;
    if (!key.ReadValue(name.c_str(), blob.data(), kMaxProtectedBytes, &type, &length) || type != REG_BINARY)
        return std::nullopt;
    DATA_BLOB in{length, reinterpret_cast<BYTE*>(blob.data())};
    DATA_BLOB out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
        return std::nullopt;
    std::string text(reinterpret_cast<const char*>(out.pbData), out.cbData);
    SecureZeroMemory(out.pbData, out.cbData);
    LocalFree(out.pbData);
    return text.substr(0, text.find('\0'));
}

bool WriteProtected(const RegKey& key, const std::string& name, const std::string& text) {
    std::string plain = text;
    DATA_BLOB in{static_cast<DWORD>(plain.size()), reinterpret_cast<BYTE*>(plain.data())};
    DATA_BLOB out{};
    if (!CryptProtectData(&in, L"", nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out)) return false;
    const bool written = key.WriteValue(name.c_str(), REG_BINARY, out.pbData, out.cbData);
    LocalFree(out.pbData);
    return written;
}

// Protected when the platform can; otherwise shifted as before, and a protected value
// left from earlier removed, so it cannot stand in for the text just written.
bool WriteProtectedText(const RegKey& key, const SettingValue& value, const Settings& settings) {
    const std::string name = ProtectedName(value);
    if (WriteProtected(key, name, value.text(settings))) return key.WriteText(value.name, "");
    key.DeleteValue(name.c_str());
    return key.WriteText(value.name, ShiftText(value.text(settings)));
}

// Fills the value's field from the key; false (and the default in the field) when the
// value is absent or does not fit the field.
bool ReadValue(const RegKey& key, const SettingValue& value, Settings& settings) {
    if (value.store == SettingStore::ProtectedText) {
        if (std::optional<std::string> text = ReadProtected(key, ProtectedName(value))) {
            value.setText(settings, *text);
            return true;
        }
    }
    if (value.IsText()) {
        std::string text;
        if (!key.ReadText(value.name, static_cast<DWORD>(value.width), &text)) {
            value.SetDefault(settings);
            return false;
        }
        value.setText(settings, value.IsAccount() ? UnshiftText(text) : text);
        return true;
    }
    DWORD number = 0;
    if (!key.ReadNumber(value.name, &number)) {
        value.SetDefault(settings);
        return false;
    }
    value.setNumber(settings, number);
    return true;
}

bool WriteValue(const RegKey& key, const SettingValue& value, const Settings& settings) {
    switch (value.store) {
        case SettingStore::ShiftedText: return key.WriteText(value.name, ShiftText(value.text(settings)));
        case SettingStore::ProtectedText: return WriteProtectedText(key, value, settings);
        case SettingStore::Text: return key.WriteText(value.name, value.text(settings));
        case SettingStore::Flag: return key.WriteBinary32(value.name, value.number(settings));
        case SettingStore::Number: return key.WriteDword(value.name, value.number(settings));
    }
    return false;
}

}  // namespace

int32_t ReadAccount(Settings& settings) {
    const RegKey key = OpenSettingsKey();
    for (const SettingValue& value : SettingsTable()) {
        if (value.IsAccount()) ReadValue(key, value, settings);
    }
    return key ? 1 : 0;
}

int32_t WriteAccount(const Settings& settings) {
    const RegKey key = OpenSettingsKey();
    bool ok = static_cast<bool>(key);
    for (const SettingValue& value : SettingsTable()) {
        if (value.IsAccount()) ok &= WriteValue(key, value, settings);
    }
    return ok ? 1 : 0;
}

int32_t ReadSettings(Settings& settings) {
    ReadAccount(settings);
    bool opened = false;
    bool firstRun = false;
    {
        const RegKey key = OpenSettingsKey();
        opened = static_cast<bool>(key);
        for (const SettingValue& value : SettingsTable()) {
            if (value.IsAccount()) continue;
            if (!ReadValue(key, value, settings) && value.marksFirstRun) firstRun = true;
        }
    }
    // First run after an installation: start with Windows from now on. Done with the
    // key closed, as the shortcut's message box waits for the user.
    if (firstRun) CreateStartupShortcut();
    return opened ? 1 : 0;
}

int32_t WriteSettings(const Settings& settings) {
    bool ok = WriteAccount(settings) == 1;
    const RegKey key = OpenSettingsKey();
    ok &= static_cast<bool>(key);
    for (const SettingValue& value : SettingsTable()) {
        if (!value.IsAccount()) ok &= WriteValue(key, value, settings);
    }
    return ok ? 1 : 0;
}

}  // namespace mailwick
