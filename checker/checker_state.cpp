#include "checker/checker_state.h"

#include "checker/tray.h"

namespace mailwick {

ProcessItems g_process;

namespace {
void Refresh() { UpdateTrayIcon(TrayIconIndex()); }
}  // namespace

void CheckerState::SetCheckingOn(std::int32_t value) { checkingOn_.store(value); Refresh(); }
void CheckerState::SetCheckIdle(std::int32_t value) { checkIdle_.store(value); Refresh(); }
void CheckerState::SetNewMailPending(std::int32_t value) { newMailPending_.store(value); Refresh(); }
void CheckerState::SetFlashPhase(std::int32_t value) { flashPhase_.store(value); Refresh(); }
void CheckerState::SetCheckFailed(std::int32_t value) { checkFailed_.store(value); Refresh(); }

}  // namespace mailwick
