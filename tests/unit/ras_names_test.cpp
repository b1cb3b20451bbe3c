#include <gtest/gtest.h>

#include "checker/logic/ras_names.h"

TEST(RasEntryNames, AsciiLettersMatchInEitherCase) {
    EXPECT_TRUE(RasEntryNamesEqual("MyISP", "myisp"));
    EXPECT_TRUE(RasEntryNamesEqual("myisp", "MYISP"));
    EXPECT_TRUE(RasEntryNamesEqual("Work Dial-Up 2", "WORK dial-up 2"));
    EXPECT_TRUE(RasEntryNamesEqual("", ""));
}

TEST(RasEntryNames, EveryOtherByteMustBeEqual) {
    EXPECT_FALSE(RasEntryNamesEqual("MyISP", "MyISP "));
    EXPECT_FALSE(RasEntryNamesEqual("MyISP", "MyIS"));
    EXPECT_FALSE(RasEntryNamesEqual("", "a"));
    EXPECT_FALSE(RasEntryNamesEqual("dial-up", "dial_up"));
    // Letters beyond ASCII in the ANSI code page: e-acute (0xE9) and E-acute (0xC9) differ.
    EXPECT_FALSE(RasEntryNamesEqual("Caf\xE9", "CAF\xC9"));
    EXPECT_TRUE(RasEntryNamesEqual("Caf\xE9", "CAF\xE9"));
    // Bytes whose low bits look like letters: '@' and '`' sit next to 'A' and 'a', '[' and '{' next to 'Z' and 'z'.
    EXPECT_FALSE(RasEntryNamesEqual("@", "`"));
    EXPECT_FALSE(RasEntryNamesEqual("[", "{"));
    EXPECT_FALSE(RasEntryNamesEqual("\xC1", "\xE1"));
}
