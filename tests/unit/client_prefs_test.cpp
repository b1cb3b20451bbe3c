// Other mail programs' settings files as text: what each parser finds, and what odd or
// damaged files give.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "checker/logic/client_prefs.h"

namespace mailwick {
namespace {

NetscapePrefs Netscape(const std::string& text) {
    std::istringstream in(text);
    return ReadNetscapePrefs(in);
}

std::optional<ProfileRef> Profile(const std::string& text) {
    std::istringstream in(text);
    return FindDefaultProfile(in);
}

std::optional<MailAccount> Thunderbird(const std::string& text) {
    std::istringstream in(text);
    return FindThunderbirdPopAccount(in);
}

TEST(LineReader, CutsLongLinesDropsTheirRestAndStopsAtZero) {
    std::istringstream in(std::string("abcdef\r\nxy") + '\0' + "zz\nlast");
    BoundedLineReader reader(in, 4);
    std::string line;
    bool cut = false;
    ASSERT_TRUE(reader.Next(line, &cut));
    EXPECT_EQ(line, "abcd");
    EXPECT_TRUE(cut);
    ASSERT_TRUE(reader.Next(line, &cut));
    EXPECT_EQ(line, "xy");
    EXPECT_FALSE(cut);
    ASSERT_TRUE(reader.Next(line, &cut));  // no newline at the end
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(reader.Next(line, &cut));
}

TEST(NetscapePrefs, LastMatchingLineWinsForEachValue) {
    const auto p = Netscape(
        "// Netscape User Preferences\r\n"
        "user_pref(\"mail.pop_name\", \"first\");\r\n"
        "user_pref(\"network.hosts.pop_server\", \"pop.one.example\");\r\n"
        "user_pref(\"mail.pop_name\", \"second\");\r\n"
        "user_pref(\"network.hosts.smtp_server\", \"smtp.example\");\r\n"
        "user_pref(\"network.hosts.pop_server\", \"pop.two.example\");");
    EXPECT_EQ(p.server, "pop.two.example");
    EXPECT_EQ(p.user, "second");
}

TEST(NetscapePrefs, LinesWithoutCommaOrClosedQuoteAreSkipped) {
    const auto p = Netscape(
        "user_pref(\"network.hosts.pop_server\", \"good.example\");\n"
        "user_pref(\"network.hosts.pop_server\" \"no comma\");\n"
        "user_pref(\"network.hosts.pop_server\", nothing);\n"
        "user_pref(\"network.hosts.pop_server\", \"unclosed);\n"
        "user_pref(\"mail.pop_name\", no quotes);\n");
    EXPECT_EQ(p.server, "good.example");
    EXPECT_FALSE(p.user);
}

TEST(NetscapePrefs, ALineIsReadOnlyTo1023Characters) {
    const std::string head = "user_pref(\"network.hosts.pop_server\", \"";  // 39 characters
    const std::string fits(1023 - 40, 'v');
    EXPECT_EQ(Netscape(head + fits + "\");").server, fits);
    EXPECT_FALSE(Netscape(head + fits + "v\");").server);  // closing quote past the limit
    // What lies past the limit is dropped, not read as a line of its own.
    const auto p = Netscape("user_pref(\"mail.pop_name\", \"joe\");" + std::string(1000, ' ') +
                            "network.hosts.pop_server, \"tail\"\n");
    EXPECT_EQ(p.user, "joe");
    EXPECT_FALSE(p.server);
}

TEST(PopAccount, SplitsAtTheFirstAt) {
    const auto a = SplitPopAccount("joe@mail@pop.example.com");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->user, "joe");
    EXPECT_EQ(a->server, "mail@pop.example.com");
    EXPECT_FALSE(SplitPopAccount(""));
    EXPECT_FALSE(SplitPopAccount("joe.pop.example.com"));
    EXPECT_FALSE(SplitPopAccount("@pop.example.com"));  // no user name
    EXPECT_FALSE(SplitPopAccount("joe@"));              // no server
}

TEST(ProfilesIni, InstallSectionWinsOverDefaultOne) {
    const auto p = Profile(
        "[General]\nStartWithLastProfile=1\n\n"
        "[Profile1]\nName=old\nIsRelative=1\nPath=Profiles/old.default\nDefault=1\n\n"
        "[Profile0]\nName=default-release\nIsRelative=0\nPath=D:\\Mail\\tb\n\n"
        "[Install9A2B]\nDefault=D:\\Mail\\tb\nLocked=1\n");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->path, "D:\\Mail\\tb");
    EXPECT_FALSE(p->relative);  // from the matching profile's IsRelative
}

TEST(ProfilesIni, DefaultOneProfileWhenNoInstallSection) {
    const auto p = Profile(
        "[Profile0]\r\nName=a\r\nIsRelative=1\r\nPath=Profiles/a.one\r\n\r\n"
        "[Profile1]\r\nName=b\r\nIsRelative=1\r\nPath=Profiles/b.two\r\nDefault=1\r\n");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->path, "Profiles/b.two");
    EXPECT_TRUE(p->relative);
    EXPECT_EQ(ProfileFolder("C:\\Users\\u\\AppData\\Roaming\\Thunderbird", *p),
              "C:\\Users\\u\\AppData\\Roaming\\Thunderbird\\Profiles\\b.two");
    EXPECT_EQ(ProfileFolder("C:\\base", ProfileRef{"E:\\tb", false}), "E:\\tb");
}

TEST(ProfilesIni, NothingWithoutADefault) {
    EXPECT_FALSE(Profile("[Profile0]\nName=a\nIsRelative=1\nPath=Profiles/a\n"));
    EXPECT_FALSE(Profile("[Install1]\nDefault=\n[Profile0]\nPath=\nDefault=1\n"));
    EXPECT_FALSE(Profile(std::string("\x00\xff[Install", 9) + std::string(5000, 'x') + "\nDefault=p\n"));
}

TEST(ThunderbirdPrefs, LowestNumberedPopAccountWins) {
    const auto a = Thunderbird(
        "// Mozilla User Preferences\n"
        "user_pref(\"mail.server.server1.hostname\", \"Local Folders\");\n"
        "user_pref(\"mail.server.server1.type\", \"none\");\n"
        "user_pref(\"mail.server.server10.hostname\", \"pop.ten.example\");\n"
        "user_pref(\"mail.server.server10.type\", \"pop3\");\n"
        "user_pref(\"mail.server.server10.userName\", \"ten\");\n"
        "user_pref(\"mail.server.server10.socketType\", 3);\n"
        "user_pref(\"mail.server.server2.hostname\", \"imap.example\");\n"
        "user_pref(\"mail.server.server2.type\", \"imap\");\n"
        "user_pref(\"mail.server.server2.userName\", \"imapuser\");\n"
        "user_pref(\"mail.server.server3.hostname\", \"pop.three.example\");\n"
        "user_pref(\"mail.server.server3.type\", \"pop3\");\n"
        "user_pref(\"mail.server.server3.socketType\", 2);\n"
        "user_pref(\"mail.server.server3.port\", 1110);\n"
        "  user_pref(\"mail.server.server3.userName\" ,  \"joe \\\"q\\\\\");\n");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->server, "pop.three.example");
    EXPECT_EQ(a->user, "joe \"q\\");
    EXPECT_EQ(a->security, 1);  // socketType 2: STARTTLS
    EXPECT_EQ(a->port, 1110u);
    // An account that names neither is plaintext on the usual port.
    const auto plain = Thunderbird("user_pref(\"mail.server.server1.type\", \"pop3\");\n"
                                   "user_pref(\"mail.server.server1.hostname\", \"pop.example\");\n"
                                   "user_pref(\"mail.server.server1.userName\", \"u\");\n");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->security, 0);
    EXPECT_EQ(plain->port, 0u);
}

TEST(ThunderbirdPrefs, TheDefaultPopAccountWinsAndAnUnknownSocketTypeLeavesTheSecurity) {
    const std::string two =
        "user_pref(\"mail.server.server1.type\", \"pop3\");\n"
        "user_pref(\"mail.server.server1.hostname\", \"pop.one.example\");\n"
        "user_pref(\"mail.server.server1.userName\", \"one\");\n"
        "user_pref(\"mail.server.server4.type\", \"pop3\");\n"
        "user_pref(\"mail.server.server4.hostname\", \"pop.four.example\");\n"
        "user_pref(\"mail.server.server4.userName\", \"four\");\n"
        "user_pref(\"mail.server.server4.socketType\", 7);\n"
        "user_pref(\"mail.server.server4.port\", 1995);\n"
        "user_pref(\"mail.server.server5.type\", \"imap\");\n"
        "user_pref(\"mail.account.account2.server\", \"server4\");\n"
        "user_pref(\"mail.account.account3.server\", \"server5\");\n";
    const auto chosen = Thunderbird(two + "user_pref(\"mail.accountmanager.defaultaccount\", \"account2\");\n");
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->server, "pop.four.example");
    EXPECT_FALSE(chosen->security);  // not guessed down to none
    // A default that is not a POP3 account: the lowest-numbered one.
    const auto imapDefault = Thunderbird(two + "user_pref(\"mail.accountmanager.defaultaccount\", \"account3\");\n");
    ASSERT_TRUE(imapDefault);
    EXPECT_EQ(imapDefault->server, "pop.one.example");
}

TEST(ThunderbirdPrefs, NothingForImapOnlyOrAnIncompletePopAccount) {
    EXPECT_FALSE(Thunderbird("user_pref(\"mail.server.server2.type\", \"imap\");\n"
                             "user_pref(\"mail.server.server2.hostname\", \"imap.example\");\n"
                             "user_pref(\"mail.server.server2.userName\", \"u\");\n"));
    EXPECT_FALSE(Thunderbird("user_pref(\"mail.server.server1.type\", \"pop3\");\n"
                             "user_pref(\"mail.server.server1.hostname\", \"pop.example\");\n"
                             "user_pref(\"mail.server.server1.userName\", \"u);\n"));
    // A line over the limit is skipped whole, not read in pieces.
    EXPECT_FALSE(Thunderbird("user_pref(\"mail.server.server1.type\", \"pop3\");\n"
                             "user_pref(\"mail.server.server1.hostname\", \"pop.example\");\n"
                             "user_pref(\"mail.server.server1.userName\", \"" +
                             std::string(5000, 'u') + "\");\n"));
}

}  // namespace
}  // namespace mailwick
