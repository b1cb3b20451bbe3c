// The checker's process-wide items: the run state the tray icon shows, the handles of
// its few windows, and the numbers of its own messages and timers. They live together
// here, in g_process, for the whole run.
//
// The check worker writes some of these while the main thread reads them, so every
// field that either thread may touch is a lock-free atomic word.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <fstream>

#include "checker/resource.h"

namespace mailwick {

// Window messages of the hidden main window that are the checker's own.
inline constexpr UINT TrayNotifyMessage = WM_USER + 101;  // 1125, from the tray icon
inline constexpr UINT NewMailMessage = WM_USER + 201;     // 1225, sent by the check worker
// Sent by the check worker to have the main thread take over a rebuilt row table or
// refill the list (see mail_rows.h); the main window passes it to OnMailRowsMessage.
inline constexpr UINT MailRowsMessage = WM_USER + 301;
// Sent by the check worker to have the main thread list the new senders in the NEWMAIL
// dialog (see notification.h); the main window passes it to OnNewSendersMessage.
inline constexpr UINT NewSendersMessage = WM_USER + 302;

// Timers of the main window.
inline constexpr UINT_PTR OfflineTimer = 1;  // "CheckFreqLO"
inline constexpr UINT_PTR OnlineTimer = 2;   // "CheckFreqHI"
inline constexpr UINT_PTR FlashTimer = 4;    // the new-mail flashing
inline constexpr UINT_PTR ResumeTimer = 5;   // one check soon after the system wakes

using Flag = std::atomic<std::int32_t>;
static_assert(Flag::is_always_lock_free);
static_assert(std::atomic<HWND>::is_always_lock_free);

// The six run-state flags, each 0 or 1. Every setter but SetRasAvailable shows the
// matching tray picture at once, from whichever thread calls it.
class CheckerState {
public:
    std::int32_t RasAvailable() const { return rasAvailable_.load(); }
    std::int32_t CheckingOn() const { return checkingOn_.load(); }
    std::int32_t CheckIdle() const { return checkIdle_.load(); }
    std::int32_t NewMailPending() const { return newMailPending_.load(); }
    std::int32_t FlashPhase() const { return flashPhase_.load(); }
    std::int32_t CheckFailed() const { return checkFailed_.load(); }

    void SetRasAvailable(std::int32_t value) { rasAvailable_.store(value); }
    void SetCheckingOn(std::int32_t value);
    void SetCheckIdle(std::int32_t value);
    void SetNewMailPending(std::int32_t value);
    void SetFlashPhase(std::int32_t value);
    void SetCheckFailed(std::int32_t value);

    // A check begins: CheckIdle and CheckFailed 0, not yet shown. The tray call is a round
    // trip to the shell's process, so the caller shows the picture (ShowPicture) once the
    // check's worker has been woken, beside the check rather than before it.
    void MarkCheckStarting();
    void ShowPicture();

private:
    Flag rasAvailable_{0};
    Flag checkingOn_{0};
    Flag checkIdle_{1};
    Flag newMailPending_{0};
    Flag flashPhase_{0};
    Flag checkFailed_{0};
};

struct ProcessItems {
    // Set once at entry, before any other thread exists.
    HINSTANCE instance = nullptr;

    CheckerState state;

    std::atomic<HWND> mainWindow{nullptr};      // hidden AppWClass "Mailwick_Main"
    std::atomic<HWND> mailListWindow{nullptr};  // AppUserWClass, while open
    Flag listWindowOpen{0};
    std::atomic<HWND> newMailDialog{nullptr};
    Flag newMailDialogOpen{0};
    Flag optionsOpen{0};
    Flag aboutOpen{0};
    // The dial-up entry was already connected when the check that found new mail began.
    Flag dialupWasUp{0};

    // The mail list window's controls, set and cleared by that window; none while closed.
    std::atomic<HWND> listView{nullptr};   // control 600
    std::atomic<HWND> statusBar{nullptr};  // control 601
    // 1: the list shows all rows; 0: only the new ones.
    Flag viewAllMail{1};

    // The diagnostics switch, set once at start-up on the main thread; the log file stays
    // open (and empty) until the process ends.
    std::int32_t debugLevel = 0;
    std::ofstream debugLog;
};

extern ProcessItems g_process;

}  // namespace mailwick
