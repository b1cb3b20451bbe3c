#include "checker/settings.h"

#include <windows.h>

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

bool IsAccount(const SettingValue& value) { return value.store == SettingStore::ShiftedText; }

// Fills the value's field from the key; false (and the default in the field) when the
// value is absent or does not fit the field.
bool ReadValue(const RegKey& key, const SettingValue& value, Settings& settings) {
    if (value.IsText()) {
        std::string text;
        if (!key.ReadText(value.name, static_cast<DWORD>(value.width), &text)) {
            value.SetDefault(settings);
            return false;
        }
        value.setText(settings, IsAccount(value) ? UnshiftText(text) : text);
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
        if (IsAccount(value)) ReadValue(key, value, settings);
    }
    return key ? 1 : 0;
}

int32_t WriteAccount(const Settings& settings) {
    const RegKey key = OpenSettingsKey();
    bool ok = static_cast<bool>(key);
    for (const SettingValue& value : SettingsTable()) {
        if (IsAccount(value)) ok &= WriteValue(key, value, settings);
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
            if (IsAccount(value)) continue;
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
        if (!IsAccount(value)) ok &= WriteValue(key, value, settings);
    }
    return ok ? 1 : 0;
}

}  // namespace mailwick
