#include <gtest/gtest.h>

#include "checker/logic/mail_command.h"

namespace mailwick {
namespace {

TEST(MailCommand, QuotedPathWithAParameter) {
    const auto c = SplitMailCommand("\"C:\\Program Files\\Mail\\mail.exe\" -x");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->program, "C:\\PROGRAM FILES\\MAIL\\MAIL.EXE");
    EXPECT_EQ(c->parameters, "-X");
    EXPECT_EQ(c->command, "\"C:\\PROGRAM FILES\\MAIL\\MAIL.EXE");
}

TEST(MailCommand, BlanksBeforeExeStayInTheProgram) {
    const auto c = SplitMailCommand("C:\\Program Files\\X\\Mail.Exe /a /b");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->program, "C:\\PROGRAM FILES\\X\\MAIL.EXE");
    EXPECT_EQ(c->parameters, "/A /B");
}

TEST(MailCommand, NoParameters) {
    const auto c = SplitMailCommand("c:\\mail\\prog.exe");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->program, "C:\\MAIL\\PROG.EXE");
    EXPECT_EQ(c->parameters, "");
}

TEST(MailCommand, OnlyTheFirstExeCounts) {
    const auto c = SplitMailCommand("c:\\a.exe.dir\\b.exe -p");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->program, "C:\\A.EXE.DIR\\B.EXE");
    EXPECT_EQ(c->parameters, "-P");
}

TEST(MailCommand, NothingToStart) {
    EXPECT_FALSE(SplitMailCommand(""));
    EXPECT_FALSE(SplitMailCommand("c:\\mail\\start.bat"));
    EXPECT_FALSE(SplitMailCommand("c:\\mail\\mail.ex e"));
}

TEST(MailCommand, LettersBeyondAsciiAreNotUpperCased) {
    const auto c = SplitMailCommand("c:\\\xe9t\xe9\\m.exe");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->program, "C:\\\xe9T\xe9\\M.EXE");
}

TEST(MailCommand, CutAtTheBufferLimit) {
    // 1,023 characters are kept: an ".EXE" that starts past them is not seen.
    const std::string longPath = "c:\\" + std::string(1020, 'a');
    EXPECT_FALSE(SplitMailCommand(longPath + ".exe"));
    const auto c = SplitMailCommand("c:\\m.exe " + std::string(2000, 'p'));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->parameters.size(), 1023u - 9u);
}

}  // namespace
}  // namespace mailwick
