#include <gtest/gtest.h>

#include "checker/logic/check_logic.h"

namespace mailwick {
namespace {

std::tm Sunday7Dec1997At0905() {
    std::tm t{};
    t.tm_year = 97;
    t.tm_mon = 11;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_wday = 0;
    t.tm_yday = 340;
    return t;
}

TEST(StatusText, CountsAndPluralForZeroOneAndTwo) {
    const std::tm t = Sunday7Dec1997At0905();
    EXPECT_EQ(ScanStatusText(2, 14, t), "2 new items (14) Sun Dec 07, 1997 09:05");
    EXPECT_EQ(ScanStatusText(1, 1, t), "1 new item (1) Sun Dec 07, 1997 09:05");
    EXPECT_EQ(ScanStatusText(0, 0, t), "0 new items (0) Sun Dec 07, 1997 09:05");
}

TEST(StatusText, ConnectFailureCarriesTheTimeFirst) {
    EXPECT_EQ(ConnectFailedStatusText(Sunday7Dec1997At0905()),
              "Sun Dec 07, 1997 09:05 : Unable to connect to server");
    EXPECT_EQ(SecureFailedStatusText(pop3::TlsFailure::NameMismatch, Sunday7Dec1997At0905()),
              "Sun Dec 07, 1997 09:05 : Certificate name mismatch");
    EXPECT_EQ(SecureFailedStatusText(pop3::TlsFailure::Handshake, Sunday7Dec1997At0905()),
              "Sun Dec 07, 1997 09:05 : Secure connection failed");
}

TEST(StatusText, TimeStampFitsItsBuffer) {
    std::tm t = Sunday7Dec1997At0905();
    t.tm_year = 12000;  // a five-digit year still fits in 26 characters
    EXPECT_LT(StatusTimeText(t).size(), 26u);
}

TEST(TimerArithmetic, OverdueChecksComeAfterOneMinute) {
    // No "LastCheck": the caller takes now minus one day, older than both default periods.
    const std::uint32_t elapsed = ElapsedSinceLastCheckMs(1'000'000, 1'000'000 - 86'400);
    EXPECT_EQ(elapsed, 86'400'000u);
    EXPECT_EQ(FirstTimerPeriodMs(elapsed, 3'600'000), 60'000u);
    EXPECT_EQ(FirstTimerPeriodMs(elapsed, 300'000), 60'000u);
}

TEST(TimerArithmetic, ACheckNotYetDueWaitsForTheRestOfItsPeriod) {
    const std::uint32_t elapsed = ElapsedSinceLastCheckMs(5000, 5000 - 120);
    EXPECT_EQ(FirstTimerPeriodMs(elapsed, 300'000), 180'000u);
    EXPECT_EQ(FirstTimerPeriodMs(elapsed, 3'600'000), 3'480'000u);
    // Exactly one period ago is not yet "greater than" the period.
    EXPECT_EQ(FirstTimerPeriodMs(300'000, 300'000), 0u);
}

TEST(TimerArithmetic, ALastCheckInTheFutureCountsAsOverdue) {
    const std::uint32_t elapsed = ElapsedSinceLastCheckMs(1000, 1010);
    EXPECT_EQ(elapsed, static_cast<std::uint32_t>(-10'000));
    EXPECT_EQ(FirstTimerPeriodMs(elapsed, 3'600'000), 60'000u);
}

TEST(HangUpDecision, Table) {
    struct Row {
        HangUpInputs in;
        bool hangUp;
    };
    const Row rows[] = {
        // useRas rasDisconnect exceptExist exceptNewMail wasConnected newCount
        {{0, 1, 0, 0, 0, 0}, false},  // no dial-up in use
        {{1, 0, 0, 0, 0, 0}, false},  // user keeps connections up
        {{1, 1, 0, 0, 0, 0}, true},
        {{1, 1, 1, 0, 1, 0}, false},  // the user's own connection is left alone
        {{1, 1, 1, 0, 0, 0}, true},   // ...but one dialled by the check goes
        {{1, 1, 0, 0, 1, 0}, true},
        {{1, 1, 0, 1, 0, 3}, false},  // new mail: stay online to read it
        {{1, 1, 0, 1, 0, 0}, true},   // no new mail: hang up
        {{1, 1, 0, 0, 0, 3}, true},
        {{2, 1, 0, 0, 0, 0}, false},  // on/off values count only when 1
    };
    for (const Row& r : rows) {
        EXPECT_EQ(ShouldHangUpAfterCheck(r.in), r.hangUp)
            << r.in.useRas << r.in.rasDisconnect << r.in.rasDisconExceptExist
            << r.in.rasDisconExceptNewMail << r.in.wasConnected << r.in.newCount;
    }
}

TEST(HangUpDecision, LaterButton) {
    EXPECT_TRUE(ShouldHangUpOnLater(1, 1, 0, 1));
    EXPECT_TRUE(ShouldHangUpOnLater(1, 1, 1, 0));
    EXPECT_FALSE(ShouldHangUpOnLater(1, 1, 1, 1));
    EXPECT_FALSE(ShouldHangUpOnLater(1, 0, 0, 0));
    EXPECT_FALSE(ShouldHangUpOnLater(0, 1, 0, 0));
}

}  // namespace
}  // namespace mailwick
