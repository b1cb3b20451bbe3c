// Starting checks: StartCheck, the two check timers and checking mode.
#include <ctime>

#include "checker/check_cycle.h"
#include "checker/checker_state.h"
#include "checker/dialup.h"
#include "checker/logic/check_logic.h"
#include "checker/mail_list/mail_rows.h"
#include "checker/main_window.h"
#include "checker/settings.h"
#include "common/registry.h"
#include "checker/texts.h"

namespace mailwick {

namespace {

// Kills a timer and, when it existed, sets it again so its period restarts now.
void RestartTimer(HWND hwnd, UINT_PTR id, UINT periodMs) {
    if (KillTimer(hwnd, id)) SetTimer(hwnd, id, periodMs, nullptr);
}

}  // namespace

void StartCheck() {
    CheckerState& state = g_process.state;
    state.MarkCheckStarting();

    Settings settings;
    int valid = 0;
    UpdateSettings([&](Settings& s) {
        valid = ValidateAccount(s);
        settings = s;
    });
    if (!valid) {
        state.ShowPicture();
        SetStatusText(kAccountInvalidStatus);
        state.SetCheckFailed(1);
        state.SetCheckIdle(1);
        return;
    }
    const bool started = StartCheckWorker(settings);
    state.ShowPicture();
    if (!started) {
        state.SetCheckFailed(1);
        state.SetCheckIdle(1);
    }
}

void OnOfflineTimer(HWND hwnd) {
    const Settings s = SettingsSnapshot();
    RestartTimer(hwnd, OfflineTimer, s.GetCheckFreqLO());
    if (s.GetUseRAS() == 1 && IsRasEntryConnected(s.GetRASEntry()) == 0) {
        RestartTimer(hwnd, OnlineTimer, s.GetCheckFreqHI());
        if (g_process.state.CheckIdle() == 1) StartCheck();
    }
}

void OnOnlineTimer(HWND hwnd) {
    const Settings s = SettingsSnapshot();
    RestartTimer(hwnd, OnlineTimer, s.GetCheckFreqHI());
    const bool online = s.GetUseRAS() == 0 || (s.GetUseRAS() == 1 && IsRasEntryConnected(s.GetRASEntry()) == 1);
    if (online) {
        RestartTimer(hwnd, OfflineTimer, s.GetCheckFreqLO());
        if (g_process.state.CheckIdle() == 1) StartCheck();
    }
}

void StartCheckingMode(HWND hwnd) {
    g_process.state.SetCheckingOn(1);
    const std::int64_t now = std::time(nullptr);
    DWORD lastCheck = 0;
    std::int64_t last = now - 86'400;
    if (RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath); key && key.ReadNumber("LastCheck", &lastCheck)) {
        last = static_cast<std::int64_t>(lastCheck);
    }
    const std::uint32_t elapsed = ElapsedSinceLastCheckMs(now, last);
    const Settings s = SettingsSnapshot();
    SetTimer(hwnd, OfflineTimer, FirstTimerPeriodMs(elapsed, s.GetCheckFreqLO()), nullptr);
    SetTimer(hwnd, OnlineTimer, FirstTimerPeriodMs(elapsed, s.GetCheckFreqHI()), nullptr);
}

namespace {
// Main thread only. A wake brings two resume notices (automatic, then the user's); the
// first sets the timer, the other finds it set.
bool g_resumeTimerSet = false;
}  // namespace

void OnPowerBroadcast(HWND hwnd, WPARAM event) {
    if (event != PBT_APMRESUMEAUTOMATIC && event != PBT_APMRESUMESUSPEND) return;
    if (g_resumeTimerSet || g_process.state.CheckingOn() != 1) return;
    g_resumeTimerSet = SetTimer(hwnd, ResumeTimer, kResumeCheckDelayMs, nullptr) != 0;
}

void OnResumeTimer(HWND hwnd) {
    KillTimer(hwnd, ResumeTimer);
    g_resumeTimerSet = false;
    if (g_process.state.CheckingOn() != 1 || g_process.state.CheckIdle() != 1) return;
    SendMessageA(hwnd, WM_TIMER, OfflineTimer, 0);
    SendMessageA(hwnd, WM_TIMER, OnlineTimer, 0);
}

void StopCheckingMode(HWND hwnd) {
    g_process.state.SetCheckingOn(0);
    KillTimer(hwnd, OfflineTimer);
    KillTimer(hwnd, OnlineTimer);
}

}  // namespace mailwick
