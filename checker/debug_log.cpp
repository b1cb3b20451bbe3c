#include "checker/debug_log.h"

#include <windows.h>

#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "checker/logic/stored_sizes.h"
#include "common/registry.h"

namespace mailwick {

void InitDebugLog(const char* settingsKeyPath) {
    g_process.debugLevel = 0;
    DWORD level = 0;
    {
        const RegKey key = RegKey::Create(HKEY_CURRENT_USER, settingsKeyPath);
        DWORD length = 0;
        // Read as every other switch: 4 bytes of any type; another size leaves the level at 0.
        if (!key || !key.ReadValue("DebugLevel", &level, sizeof level, nullptr, &length) || !IsStoredNumber(length)) {
            return;
        }
    }
    g_process.debugLevel = static_cast<std::int32_t>(level);
    if (g_process.debugLevel <= 0) return;
    PrepareDataFolder();
    g_process.debugLog.open(DebugLogPath(), std::ios::out | std::ios::trunc);
}

}  // namespace mailwick
