#include "checker/logic/date_stamp.h"

#include <gtest/gtest.h>

#include <string>

namespace mailwick {
namespace {

TEST(DateToStamp, WeekdayIsSkippedUpToTheFirstComma) {
    EXPECT_EQ(DateToStamp("Mon, 3 Nov 1997 10:05:00 +0000"), "171103100500");
    EXPECT_EQ(DateToStamp("3 Nov 1997 10:05:00 +0000"), "171103100500");
    // Only the first comma counts.
    EXPECT_EQ(DateToStamp("Mon, 3 Nov 1997 10:05:00, more"), "171103100500");
}

TEST(DateToStamp, TwoDigitYearsAreOfThe1900s) {
    EXPECT_EQ(DateToStamp("3 Nov 97 10:05:00 GMT"), DateToStamp("Mon, 3 Nov 1997 10:05:00 GMT"));
    EXPECT_EQ(DateToStamp("1 Jan 80 00:00:00"), "000101000000");
    // Four-digit years pass unchanged; 2000 is 20 years after 1980.
    EXPECT_EQ(DateToStamp("Sat, 29 Feb 2000 23:59:58 -0500"), "200229235958");
}

TEST(DateToStamp, MonthNamesIgnoreCase) {
    for (const char* name : {"Nov", "NOV", "nov", "nOV"}) {
        EXPECT_EQ(DateToStamp(std::string("3 ") + name + " 1997 10:05:00"), "171103100500") << name;
    }
    const char* months[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int i = 0; i < 12; ++i) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "17%02d01000000", i + 1);
        EXPECT_EQ(DateToStamp(std::string("1 ") + months[i] + " 1997 00:00:00"), expected) << months[i];
    }
}

TEST(DateToStamp, UnknownOrMissingMonthIsDecember) {
    EXPECT_EQ(DateToStamp("3 Foo 1997 10:05:00"), "171203100500");
    EXPECT_EQ(DateToStamp("3 November 1997 10:05:00"), "171203100500");  // whole word compared
    EXPECT_EQ(DateToStamp("3"), "-801203000000");
}

TEST(DateToStamp, FieldsNotReadCountAsZero) {
    // No time at all.
    EXPECT_EQ(DateToStamp("3 Nov 1997"), "171103000000");
    // Hours and minutes without seconds.
    EXPECT_EQ(DateToStamp("3 Nov 1997 10:05"), "171103100500");
    // The scan stops at the first mismatch: "10.05.00" gives the hour only.
    EXPECT_EQ(DateToStamp("3 Nov 1997 10.05.00"), "171103100000");
    // Nothing readable: year 0 becomes 1900, i.e. -80.
    EXPECT_EQ(DateToStamp(""), "-801200000000");
    EXPECT_EQ(DateToStamp("garbage"), "-801200000000");
}

TEST(DateToStamp, LongMonthWordIsCutAndStopsTheScan) {
    // At most 11 characters are read as the month; the rest breaks the year field.
    EXPECT_EQ(DateToStamp("3 Novemberxxxx 1997 10:05:00"), "-801203000000");
}

TEST(DateToStamp, HugeNumbersDoNotOverflow) {
    const std::string stamp = DateToStamp("99999999999999999999 Nov 99999999999999999999 1:2:3");
    EXPECT_EQ(stamp, "999998020111000000000010203");
}

TEST(DateToStamp, StampsOrderInTime) {
    const std::string dates[] = {"1 Jan 1980 00:00:00", "31 Dec 1997 23:59:59", "Thu, 1 Jan 98 00:00:00",
                                 "Fri, 10 Mar 2000 08:00:00", "5 Oct 2079 12:00:00"};
    for (std::size_t i = 1; i < std::size(dates); ++i) {
        EXPECT_LT(DateToStamp(dates[i - 1]), DateToStamp(dates[i])) << dates[i];
        EXPECT_EQ(DateToStamp(dates[i]).size(), 12u);
    }
}

}  // namespace
}  // namespace mailwick
