// Every value of the settings key that the settings record holds, described once: its
// name, how it is stored, how many bytes a read takes, its default and the field it
// fills. Reading, writing and the defaults of a fresh record all follow this table, in
// its order, and the options pages find their values in it by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "checker/logic/settings_record.h"

namespace mailwick {

enum class SettingStore {
    ShiftedText,  // REG_SZ, every character code moved up by one (the account)
    Text,         // REG_SZ
    Flag,         // REG_BINARY, 4 bytes, little-endian
    Number,       // REG_DWORD
    // The user's data protection of the platform, REG_BINARY under the row's name with
    // kProtectedSuffix; the row's own value holds the shifted form only where protection
    // failed, and an older installation's shifted value is still read.
    ProtectedText,
};

inline constexpr const char* kProtectedSuffix = "Data";

struct SettingValue {
    const char* name;
    SettingStore store;
    // Bytes a read may take: the field's width for a text (terminator included), else 4.
    // A stored value that does not fit counts as absent.
    std::size_t width;
    uint32_t defaultNumber;
    const char* defaultText;
    // Absent means the first start after an installation ("CheckAutoStart").
    bool marksFirstRun;
    // The field: numbers through the first pair, texts through the second.
    uint32_t (*number)(const Settings&);
    void (*setNumber)(Settings&, uint32_t);
    const char* (*text)(const Settings&);
    void (*setText)(Settings&, std::string_view);

    bool IsText() const { return store != SettingStore::Flag && store != SettingStore::Number; }
    bool IsAccount() const { return store == SettingStore::ShiftedText || store == SettingStore::ProtectedText; }
    // Gives the field of `settings` this value's default.
    void SetDefault(Settings& settings) const;
};

// In stored order: the account first, then every option.
std::span<const SettingValue> SettingsTable();
// The row of a value name; null when there is none.
const SettingValue* FindSetting(std::string_view name);

}  // namespace mailwick
