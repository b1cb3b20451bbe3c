#include "checker/debug_log.h"

#include <windows.h>

#include "checker/checker_files.h"
#include "checker/checker_state.h"
#include "common/registry.h"

namespace mailwick {

void InitDebugLog(const char* settingsKeyPath) {
    g_process.debugLevel = 0;
    DWORD level = 0;
    {
        const RegKey key = RegKey::Create(HKEY_CURRENT_USER, settingsKeyPath);
        DWORD type = 0;
        DWORD length = 0;
        // Only a 4-byte REG_DWORD counts; anything else leaves the level at 0.
        if (!key || !key.ReadValue("DebugLevel", &level, sizeof level, &type, &length) || type != REG_DWORD ||
            length != sizeof level) {
            return;
        }
    }
    g_process.debugLevel = static_cast<std::int32_t>(level);
    if (g_process.debugLevel <= 0) return;
    PrepareDataFolder();
    g_process.debugLog.open(DebugLogPath(), std::ios::out | std::ios::trunc);
}

}  // namespace mailwick
