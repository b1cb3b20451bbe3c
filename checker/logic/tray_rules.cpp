#include "checker/logic/tray_rules.h"

namespace mailwick {

int TrayIconIndexFor(const TrayFlags& f) {
    if (f.newMailPending == 1 && f.flashPhase == 1) return TrayNewMail;
    if (f.checkIdle == 0) return TrayChecking;
    if (f.checkFailed == 1) return TrayFailed;
    if (f.checkingOn == 0) return TrayStopped;
    return TrayWaiting;
}

}  // namespace mailwick
