// Which tray picture a run state shows.
#pragma once

namespace mailwick {

// Indexes into the tray icon table (resources 402 to 406, in this order).
enum TrayPicture : int {
    TrayWaiting = 0,
    TrayChecking = 1,
    TrayNewMail = 2,
    TrayFailed = 3,
    TrayStopped = 4,
    TrayPictureCount = 5,
};

struct TrayFlags {
    int checkingOn = 0;
    int checkIdle = 1;
    int newMailPending = 0;
    int flashPhase = 0;
    int checkFailed = 0;
};

// Highest rule first: the new-mail phase of the flashing, a running check, a failed last
// check, checking mode off, waiting. So a failure shows even with checking off, and a
// running check hides a failure until it ends.
int TrayIconIndexFor(const TrayFlags& flags);

}  // namespace mailwick
