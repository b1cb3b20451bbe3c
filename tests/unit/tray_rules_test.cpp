#include "checker/logic/tray_rules.h"

#include <gtest/gtest.h>

namespace mailwick {
namespace {

TEST(TrayIconIndex, EveryCombinationOfFlags) {
    int seen[TrayPictureCount] = {};
    for (int bits = 0; bits < 32; ++bits) {
        TrayFlags f;
        f.checkingOn = bits & 1;
        f.checkIdle = (bits >> 1) & 1;
        f.newMailPending = (bits >> 2) & 1;
        f.flashPhase = (bits >> 3) & 1;
        f.checkFailed = (bits >> 4) & 1;
        const int index = TrayIconIndexFor(f);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, TrayPictureCount);
        ++seen[index];

        SCOPED_TRACE(bits);
        const bool newMailPhase = f.newMailPending && f.flashPhase;
        // The new-mail picture shows in its phase whatever else holds, and only then.
        EXPECT_EQ(index == TrayNewMail, newMailPhase);
        if (newMailPhase) continue;
        // Otherwise a running check wins over everything else.
        if (!f.checkIdle) {
            EXPECT_EQ(index, TrayChecking);
        } else if (f.checkFailed) {
            EXPECT_EQ(index, TrayFailed);  // even with checking mode off
        } else {
            EXPECT_EQ(index, f.checkingOn ? TrayWaiting : TrayStopped);
        }
    }
    // 8 of 32 states are the new-mail phase; of the other 24, half have a check running,
    // 6 a failure, 3 checking off and 3 waiting.
    EXPECT_EQ(seen[TrayNewMail], 8);
    EXPECT_EQ(seen[TrayChecking], 12);
    EXPECT_EQ(seen[TrayFailed], 6);
    EXPECT_EQ(seen[TrayStopped], 3);
    EXPECT_EQ(seen[TrayWaiting], 3);
}

TEST(TrayIconIndex, CasesUsersSee) {
    TrayFlags start;  // just started: checking off, idle
    EXPECT_EQ(TrayIconIndexFor(start), TrayStopped);

    TrayFlags checkNowFailed;  // Check Now failed with checking mode off
    checkNowFailed.checkFailed = 1;
    EXPECT_EQ(TrayIconIndexFor(checkNowFailed), TrayFailed);

    TrayFlags checkingWithMail;  // a check runs while mail is pending, plain phase
    checkingWithMail.checkingOn = 1;
    checkingWithMail.checkIdle = 0;
    checkingWithMail.newMailPending = 1;
    EXPECT_EQ(TrayIconIndexFor(checkingWithMail), TrayChecking);
    checkingWithMail.flashPhase = 1;
    EXPECT_EQ(TrayIconIndexFor(checkingWithMail), TrayNewMail);

    // A flag word that is not exactly 1 does not count as on.
    TrayFlags odd;
    odd.checkingOn = 1;
    odd.newMailPending = 2;
    odd.flashPhase = 1;
    odd.checkFailed = 2;
    EXPECT_EQ(TrayIconIndexFor(odd), TrayWaiting);
}

}  // namespace
}  // namespace mailwick
