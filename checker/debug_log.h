// The diagnostics switch: the settings value "DebugLevel" and the file "test.log".
#pragma once

namespace mailwick {

inline constexpr char kDebugLogFile[] = "test.log";

// Reads "DebugLevel" from the settings key (creating the key if it is missing) into
// g_process.debugLevel; above 0 it creates or empties "test.log" in the data folder (the
// current directory when it can be written) and keeps it open in g_process.debugLog.
// Nothing is reported.
void InitDebugLog(const char* settingsKeyPath);

}  // namespace mailwick
