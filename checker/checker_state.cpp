#include "checker/checker_state.h"

#include <mutex>

#include "checker/tray.h"

namespace mailwick {

ProcessItems g_process;

namespace {
// Reading the flags and showing their picture happen under one lock: the worker and the
// main thread changing flags at once could otherwise show the older picture last. It is
// taken again by the thread holding it: the shell call waits for the tray's process, and
// meanwhile the main thread carries out messages sent to it, such as the worker's new-mail
// message, which changes flags in turn.
std::recursive_mutex g_refreshLock;
void Refresh() {
    std::lock_guard<std::recursive_mutex> hold(g_refreshLock);
    UpdateTrayIcon(TrayIconIndex());
}
}  // namespace

void CheckerState::SetCheckingOn(std::int32_t value) { checkingOn_.store(value); Refresh(); }
void CheckerState::SetCheckIdle(std::int32_t value) { checkIdle_.store(value); Refresh(); }
void CheckerState::SetNewMailPending(std::int32_t value) { newMailPending_.store(value); Refresh(); }
void CheckerState::SetFlashPhase(std::int32_t value) { flashPhase_.store(value); Refresh(); }
void CheckerState::SetCheckFailed(std::int32_t value) { checkFailed_.store(value); Refresh(); }
void CheckerState::MarkCheckStarting() {
    checkIdle_.store(0);
    checkFailed_.store(0);
}
void CheckerState::ShowPicture() { Refresh(); }

}  // namespace mailwick
