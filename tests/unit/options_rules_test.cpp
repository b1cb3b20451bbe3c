// The interval edits' numbers: what a typed or pasted text becomes, and the largest one
// that still fits in 32 bits of milliseconds.
#include <gtest/gtest.h>

#include "checker/logic/options_rules.h"

namespace mailwick {
namespace {

TEST(IntervalMinutes, WholeMinutesBecomeMilliseconds) {
    EXPECT_EQ(ReadIntervalMinutes("5").ms, 300'000u);
    EXPECT_EQ(ReadIntervalMinutes(" 60 ").ms, 3'600'000u);
    EXPECT_EQ(ReadIntervalMinutes("007").ms, 420'000u);
    // Empty or not a number counts as 0 (and so is refused by the interval tests).
    for (const char* text : {"", "   ", "5a", "-5", "1.5"}) {
        EXPECT_TRUE(ReadIntervalMinutes(text).fits) << text;
        EXPECT_EQ(ReadIntervalMinutes(text).ms, 0u) << text;
    }
}

TEST(IntervalMinutes, NumbersPast32BitsAreRefusedNotWrapped) {
    EXPECT_TRUE(ReadIntervalMinutes("71582").fits);
    EXPECT_EQ(ReadIntervalMinutes("71582").ms, 4'294'920'000u);
    EXPECT_FALSE(ReadIntervalMinutes("71583").fits);
    // 71,583 minutes would wrap to 32,704 ms; 20 digits would wrap in 64 bits too.
    EXPECT_FALSE(ReadIntervalMinutes("18446744073709551617").fits);
    EXPECT_FALSE(ReadIntervalMinutes("000000000000000000000000071583").fits);
    EXPECT_TRUE(ReadIntervalMinutes("000000000000000000000000000005").fits);
}

TEST(IntervalMinutes, ShownAsWholeUnsignedMinutes) {
    EXPECT_EQ(IntervalMinutesText(3'600'000), "60");
    EXPECT_EQ(IntervalMinutesText(299'999), "4");
    EXPECT_EQ(IntervalMinutesText(0xFFFFFFFFu), "71582");
}

TEST(IntervalVerdicts, TooLargeComesFirstThenOfflineThenOnline) {
    const auto m = [](const char* text) { return ReadIntervalMinutes(text); };
    EXPECT_EQ(JudgeIntervals(m("99999"), m("1"), true), IntervalVerdict::TooLarge);
    EXPECT_EQ(JudgeIntervals(m("6"), m("99999"), true), IntervalVerdict::TooLarge);
    EXPECT_EQ(JudgeIntervals(m("5"), m("5"), true), IntervalVerdict::OfflineNotGreater);
    EXPECT_EQ(JudgeIntervals(m("4"), m("6"), true), IntervalVerdict::OfflineNotGreater);
    EXPECT_EQ(JudgeIntervals(m("6"), m("4"), true), IntervalVerdict::OnlineTooShort);
    EXPECT_EQ(JudgeIntervals(m("6"), m(""), true), IntervalVerdict::OnlineTooShort);
    EXPECT_EQ(JudgeIntervals(m("6"), m("5"), true), IntervalVerdict::Accepted);
    EXPECT_EQ(JudgeIntervals(m("71582"), m("71581"), true), IntervalVerdict::Accepted);
}

// Without dial-up the greyed offline interval (60 by default) caps nothing; the other
// tests still hold.
TEST(IntervalVerdicts, OfflineIsComparedOnlyWhenInUse) {
    const auto m = [](const char* text) { return ReadIntervalMinutes(text); };
    EXPECT_EQ(JudgeIntervals(m("60"), m("120"), false), IntervalVerdict::Accepted);
    EXPECT_EQ(JudgeIntervals(m("60"), m("60"), false), IntervalVerdict::Accepted);
    EXPECT_EQ(JudgeIntervals(m("60"), m("120"), true), IntervalVerdict::OfflineNotGreater);
    EXPECT_EQ(JudgeIntervals(m("60"), m("4"), false), IntervalVerdict::OnlineTooShort);
    EXPECT_EQ(JudgeIntervals(m("60"), m("71583"), false), IntervalVerdict::TooLarge);
}

}  // namespace
}  // namespace mailwick
