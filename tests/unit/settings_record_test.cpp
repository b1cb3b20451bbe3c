// The settings record without the registry: defaults, cutting, account validity, the
// shifted account texts and the process-wide copy shared between threads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "checker/logic/settings_record.h"
#include "checker/logic/shifted_text.h"
#include "checker/logic/stored_sizes.h"

namespace mailwick {
namespace {

TEST(ShiftedText, MovesEveryCodeUpByOneAndBack) {
    EXPECT_EQ(ShiftText("abc"), "bcd");
    EXPECT_EQ(UnshiftText("bcd"), "abc");
    EXPECT_EQ(ShiftText("pop.example.net"), "qpq/fybnqmf/ofu");
    EXPECT_EQ(ShiftText(""), "");
}

TEST(ShiftedText, Code255WrapsToOneSoNoTerminatorAppears) {
    EXPECT_EQ(ShiftText("a\xff"), std::string("b\x01"));
    EXPECT_EQ(UnshiftText(std::string("b\x01")), "a\xff");
}

TEST(ShiftedText, EveryStorableTextReadsBackUnchanged) {
    std::string all;
    for (int c = 1; c <= 255; ++c) all += static_cast<char>(c);
    const std::string stored = ShiftText(all);
    ASSERT_EQ(stored.size(), all.size());
    EXPECT_EQ(stored.find('\0'), std::string::npos);
    EXPECT_EQ(UnshiftText(stored), all);
}

TEST(ShiftedText, TextEndsAtItsFirstZeroByte) {
    EXPECT_EQ(ShiftText(std::string("ab\0cd", 5)), "bc");
    EXPECT_EQ(UnshiftText(std::string("bc\0de", 5)), "ab");
}

TEST(SettingsRecord, FreshRecordHoldsEveryDefault) {
    const Settings s;
    EXPECT_STREQ(s.GetUsername(), "");
    EXPECT_STREQ(s.GetPassword(), "");
    EXPECT_STREQ(s.GetServer(), "");
    EXPECT_EQ(s.GetAccountValid(), 0);
    EXPECT_EQ(s.GetUseRAS(), 0);
    EXPECT_EQ(s.GetRASEstab(), 1);
    EXPECT_STREQ(s.GetRASEntry(), "");
    EXPECT_EQ(s.GetCheckRAS(), 0);
    EXPECT_EQ(s.GetRASDisconnect(), 1);
    EXPECT_EQ(s.GetRASDisconExceptNewMail(), 1);
    EXPECT_EQ(s.GetRASDisconExceptExist(), 1);
    EXPECT_EQ(s.GetCheckFreqLO(), 3'600'000u);
    EXPECT_EQ(s.GetCheckFreqHI(), 300'000u);
    EXPECT_EQ(s.GetCheckAutoStart(), 1);
    EXPECT_EQ(s.GetNotifPlayWav(), 1);
    EXPECT_STREQ(s.GetNotifWav(), "newmail.wav");
    EXPECT_EQ(s.GetNotifPlayAlarm(), 1);
    EXPECT_STREQ(s.GetNotifAlarmWav(), "alarm.wav");
    EXPECT_EQ(s.GetNotifShowDialog(), 1);
    EXPECT_EQ(s.GetLaunchMail(), 0);
    EXPECT_EQ(s.GetNotifBalloon(), 1);
    EXPECT_STREQ(s.GetMailProgramName(), "Other");
    EXPECT_STREQ(s.GetMailProgramFile(), "");
}

TEST(SettingsRecord, TextSettersCutToTheFieldWidth) {
    Settings s;
    const std::string long300(300, 'x');
    s.SetUsername(long300);
    s.SetPassword(std::string(128, 'p'));
    s.SetServer(std::string(127, 's'));
    s.SetRASEntry(long300);
    s.SetNotifWav(long300);
    s.SetNotifAlarmWav(std::string(249, 'a'));
    s.SetMailProgramName(std::string(250, 'n'));
    s.SetMailProgramFile(long300);
    EXPECT_EQ(std::string(s.GetUsername()), std::string(127, 'x'));
    EXPECT_EQ(std::string(s.GetPassword()), std::string(127, 'p'));
    EXPECT_EQ(std::string(s.GetServer()), std::string(127, 's'));
    EXPECT_EQ(std::string(s.GetRASEntry()).size(), 127u);
    EXPECT_EQ(std::string(s.GetNotifWav()).size(), 249u);
    EXPECT_EQ(std::string(s.GetNotifAlarmWav()), std::string(249, 'a'));
    EXPECT_EQ(std::string(s.GetMailProgramName()), std::string(249, 'n'));
    EXPECT_EQ(std::string(s.GetMailProgramFile()).size(), 249u);
}

TEST(SettingsRecord, ShorterTextLeavesNoTailOfTheOldOne) {
    Settings a, b;
    a.SetServer("pop.example.net");
    a.SetServer("pop");
    b.SetServer("pop");
    EXPECT_STREQ(a.GetServer(), "pop");
    EXPECT_EQ(a, b);
}

TEST(SettingsRecord, AccountIsValidOnlyWithAllThreeTexts) {
    Settings s;
    EXPECT_EQ(ValidateAccount(s), 0);
    s.SetUsername("joe");
    s.SetPassword("secret");
    s.SetServer("pop.example.net");
    EXPECT_EQ(ValidateAccount(s), 1);
    EXPECT_EQ(s.GetAccountValid(), 1);
    for (int missing = 0; missing < 3; ++missing) {
        Settings t = s;
        if (missing == 0) t.SetUsername("");
        if (missing == 1) t.SetPassword("");
        if (missing == 2) t.SetServer("");
        EXPECT_EQ(ValidateAccount(t), 0) << "missing text " << missing;
        EXPECT_EQ(t.GetAccountValid(), 0);
    }
}

// Two records whose every field differs, so a torn copy matches neither.
Settings Filled(char c, uint32_t n) {
    Settings s;
    const std::string text(300, c);
    s.SetUsername(text);
    s.SetPassword(text);
    s.SetServer(text);
    s.SetRASEntry(text);
    s.SetNotifWav(text);
    s.SetNotifAlarmWav(text);
    s.SetMailProgramName(text);
    s.SetMailProgramFile(text);
    s.SetCheckFreqLO(n);
    s.SetCheckFreqHI(n);
    s.SetUseRAS(static_cast<int32_t>(n));
    s.SetLaunchMail(static_cast<int32_t>(n));
    return s;
}

TEST(SharedSettings, ReaderNeverSeesAHalfWrittenRecord) {
    const Settings a = Filled('a', 1), b = Filled('b', 2);
    CommitSettings(a);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) CommitSettings(i % 2 ? a : b);
    });
    int torn = 0;
    for (int i = 0; i < 20000; ++i) {
        const Settings seen = SettingsSnapshot();
        if (!(seen == a) && !(seen == b)) ++torn;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}

TEST(SharedSettings, UpdatesFromTwoThreadsAreNotLost) {
    Settings start;
    start.SetCheckFreqHI(0);
    CommitSettings(start);
    std::atomic<int> ready{0};
    auto bump = [&] {
        ++ready;
        while (ready < 2) {
        }
        for (int i = 0; i < 50000; ++i)
            UpdateSettings([](Settings& s) { s.SetCheckFreqHI(s.GetCheckFreqHI() + 1); });
    };
    std::thread other(bump);
    bump();
    other.join();
    EXPECT_EQ(SettingsSnapshot().GetCheckFreqHI(), 100000u);
}

TEST(SharedSettings, ThrowingUpdateLeavesTheRecordAsItWas) {
    Settings start;
    start.SetServer("before");
    CommitSettings(start);
    EXPECT_THROW(UpdateSettings([](Settings& s) {
                     s.SetServer("half");
                     throw std::runtime_error("refused");
                 }),
                 std::runtime_error);
    EXPECT_STREQ(SettingsSnapshot().GetServer(), "before");
}

// A short "Placement" or "DebugLevel" would fill only part of its record.
TEST(StoredSizes, OnlyTheExactSizeCounts) {
    for (std::uint32_t bytes : {0u, 3u, 5u, 43u, 45u}) EXPECT_FALSE(IsStoredNumber(bytes) || IsStoredPlacement(bytes)) << bytes;
    EXPECT_TRUE(IsStoredNumber(4) && IsStoredPlacement(44));
}

}  // namespace
}  // namespace mailwick
