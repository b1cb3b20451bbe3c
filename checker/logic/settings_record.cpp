#include "checker/logic/settings_record.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "checker/logic/settings_table.h"

namespace mailwick {

// Copies under the lock must be plain memory copies: no allocation, nothing to throw.
static_assert(std::is_trivially_copyable_v<Settings>);

void CopyCut(char* field, std::size_t width, std::string_view text) {
    if (width == 0) return;
    text = text.substr(0, text.find('\0'));
    const std::size_t n = std::min(text.size(), width - 1);
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, width - n);
}

Settings::Settings() {
    for (const SettingValue& value : SettingsTable()) value.SetDefault(*this);
}

int32_t ValidateAccount(Settings& settings) {
    const bool valid = settings.GetUsername()[0] != '\0' && settings.GetPassword()[0] != '\0' &&
                       settings.GetServer()[0] != '\0';
    settings.SetAccountValid(valid ? 1 : 0);
    return settings.GetAccountValid();
}

namespace {

std::mutex g_settingsLock;

Settings& LiveSettings() {
    static Settings live;  // built on first use, so no start-up order issues
    return live;
}

}  // namespace

Settings SettingsSnapshot() {
    std::lock_guard<std::mutex> hold(g_settingsLock);
    return LiveSettings();
}

void CommitSettings(const Settings& settings) {
    std::lock_guard<std::mutex> hold(g_settingsLock);
    LiveSettings() = settings;
}

void UpdateSettings(const std::function<void(Settings&)>& change) {
    std::lock_guard<std::mutex> hold(g_settingsLock);
    Settings changed = LiveSettings();
    change(changed);  // on a copy, so a throwing change leaves the record as it was
    LiveSettings() = changed;
}

}  // namespace mailwick
