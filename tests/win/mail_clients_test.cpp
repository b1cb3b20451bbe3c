// Mail-client discovery and the account readers against registry keys and files made by
// the test: each test has its own HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, its own
// scratch folder, and %APPDATA% pointing into it.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

#include "checker/autoconfig/autoconfig_sources.h"
#include "checker/autoconfig/mail_clients.h"
#include "common/registry.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/scoped_env.h"
#include "fixtures/temp_dir.h"

namespace mailwick {
namespace {

using mwtest::RegistrySandbox;
using mwtest::TempDir;

constexpr char kClients[] = "SOFTWARE\\Clients\\Mail";
constexpr char kNetscapeApp[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Netscape.exe";
constexpr char kNavigator[] = "Software\\Netscape\\Netscape Navigator";
constexpr char kOe[] = "Software\\Microsoft\\Internet Account Manager";
constexpr char kOeAccount[] = "Software\\Microsoft\\Internet Account Manager\\Accounts\\Main";
constexpr char kImn[] = "Software\\Microsoft\\Internet Mail and News\\Mail";
constexpr char kImnServer[] = "Software\\Microsoft\\Internet Mail and News\\Mail\\POP3\\mail.isp.example";
constexpr char kEudoraApp[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Eudora.exe";
constexpr char kNsUsers[] = "Software\\Netscape\\Netscape Navigator\\Users";
constexpr char kNsUser[] = "Software\\Netscape\\Netscape Navigator\\Users\\pat";
constexpr char kNsMail[] = "Software\\Netscape\\Netscape Navigator\\Mail";
constexpr char kNsServices[] = "Software\\Netscape\\Netscape Navigator\\Services";

void Set(HKEY root, const std::string& key, const char* name, const std::string& value) {
    ASSERT_TRUE(RegKey::Create(root, key.c_str()).WriteText(name, value)) << key;
}

void SetRaw(HKEY root, const std::string& key, const char* name, DWORD type, const std::string& bytes) {
    ASSERT_TRUE(RegKey::Create(root, key.c_str())
                    .WriteValue(name, type, bytes.data(), static_cast<DWORD>(bytes.size())));
}

void Unset(HKEY root, const std::string& key, const char* name) {
    ASSERT_TRUE(RegDeleteValueAt(root, key.c_str(), name));
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class MailClients : public ::testing::Test {
protected:
    std::string Dir(const std::string& name) const {
        const std::string path = dir_.file(name);
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }

    RegistrySandbox registry_{true};
    TempDir dir_;
    mwtest::ScopedEnv appData_{"APPDATA", dir_.str()};
};

TEST_F(MailClients, RegisteredClientsThenNavigatorFour) {
    for (const char* name : {"Eudora", "Outlook Express", "Mozilla Thunderbird"})
        RegKey::Create(HKEY_LOCAL_MACHINE, (std::string(kClients) + "\\" + name).c_str());
    Set(HKEY_LOCAL_MACHINE, kNavigator, "CurrentVersion", "4.08 (en)");
    Set(HKEY_LOCAL_MACHINE, kNetscapeApp, "", "C:\\Netscape\\Program\\netscape.exe");
    EXPECT_EQ(MailClientNames(), (std::vector<std::string>{"Eudora", "Mozilla Thunderbird",
                                                           "Outlook Express", "Netscape Messenger"}));
    // Navigator 3 (a version not beginning with 4): only its App Paths entry tells.
    Set(HKEY_LOCAL_MACHINE, kNavigator, "CurrentVersion", "3.04 (en)");
    EXPECT_EQ(MailClientNames().back(), kNetscapeMail);
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, kNetscapeApp);
    EXPECT_EQ(MailClientNames().back(), "Outlook Express");
    // Version 4 without App Paths still counts as Navigator 4.
    Set(HKEY_LOCAL_MACHINE, kNavigator, "CurrentVersion", "4.7");
    EXPECT_EQ(MailClientNames().back(), kNetscapeMessenger);
}

TEST_F(MailClients, AtMost255RegisteredClientsTheNetscapeNameAfterThem) {
    const RegKey clients = RegKey::Create(HKEY_LOCAL_MACHINE, kClients);
    for (int i = 0; i < 256; ++i) {
        char name[16];
        wsprintfA(name, "Client%03d", i);
        RegKey::Create(clients.Get(), name);
    }
    Set(HKEY_LOCAL_MACHINE, kNetscapeApp, "", "C:\\nav\\netscape.exe");
    const auto names = MailClientNames();
    ASSERT_EQ(names.size(), 256u);
    EXPECT_EQ(names[254], "Client254");
    EXPECT_EQ(names[255], kNetscapeMail);

    HWND combo = CreateWindowA("COMBOBOX", "", CBS_DROPDOWNLIST, 0, 0, 100, 100, nullptr, nullptr,
                               nullptr, nullptr);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
    FillMailClientList(combo);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 256);
    char first[32] = "";
    SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, "Client000");
    DestroyWindow(combo);
}

TEST_F(MailClients, DefaultClient) {
    EXPECT_EQ(DefaultMailClient(), "");  // no key
    RegKey::Create(HKEY_LOCAL_MACHINE, kClients);
    EXPECT_EQ(DefaultMailClient(), "");  // no value
    Set(HKEY_LOCAL_MACHINE, kClients, "", "Mozilla Thunderbird");
    EXPECT_EQ(DefaultMailClient(), "Mozilla Thunderbird");
    Set(HKEY_LOCAL_MACHINE, kClients, "", std::string(300, 'n'));
    EXPECT_EQ(DefaultMailClient(), std::string(255, 'n'));
    // Without a terminator, and of a type that is no text.
    SetRaw(HKEY_LOCAL_MACHINE, kClients, "", REG_SZ, "Eudora");
    EXPECT_EQ(DefaultMailClient(), "Eudora");
    SetRaw(HKEY_LOCAL_MACHINE, kClients, "", REG_DWORD, std::string("abcd"));
    EXPECT_EQ(DefaultMailClient(), "");
}

TEST_F(MailClients, LaunchCommands) {
    const std::string tb = std::string(kClients) + "\\Mozilla Thunderbird\\shell\\open\\command";
    Set(HKEY_LOCAL_MACHINE, tb, "", "\"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe\" -mail");
    EXPECT_EQ(MailClientLaunchCommand("Mozilla Thunderbird"),
              "\"C:\\Program Files\\Mozilla Thunderbird\\thunderbird.exe\" -mail");
    RegKey::Create(HKEY_LOCAL_MACHINE, (std::string(kClients) + "\\Eudora").c_str());
    EXPECT_EQ(MailClientLaunchCommand("Eudora"), "");  // listed, but nothing to start
    EXPECT_EQ(MailClientLaunchCommand(""), "");

    EXPECT_EQ(MailClientLaunchCommand(kNetscapeMessenger), "");  // no App Paths entry
    Set(HKEY_LOCAL_MACHINE, kNetscapeApp, "", "C:\\NAV\\Program\\netscape.exe");
    EXPECT_EQ(MailClientLaunchCommand(kNetscapeMessenger), "C:\\NAV\\Program\\netscape.exe -mail");
    EXPECT_EQ(MailClientLaunchCommand(kNetscapeMail), "C:\\NAV\\Program\\netscape.exe -mail");
    // Another spelling is a registered client's name.
    EXPECT_EQ(MailClientLaunchCommand("netscape mail"), "");
    Set(HKEY_LOCAL_MACHINE, std::string(kClients) + "\\netscape mail\\shell\\open\\command", "", "n.exe");
    EXPECT_EQ(MailClientLaunchCommand("netscape mail"), "n.exe");

    // Cut to 255 characters; a path held with variables is expanded.
    Set(HKEY_LOCAL_MACHINE, kNetscapeApp, "", "C:\\" + std::string(260, 'p') + ".exe");
    EXPECT_EQ(MailClientLaunchCommand(kNetscapeMail), "C:\\" + std::string(252, 'p'));
    const mwtest::ScopedEnv maildir("MWTEST_MAILDIR", "D:\\mail");
    const std::string expand = "%MWTEST_MAILDIR%\\wm.exe /mail";
    SetRaw(HKEY_LOCAL_MACHINE, tb, "", REG_EXPAND_SZ, expand + '\0');
    EXPECT_EQ(MailClientLaunchCommand("Mozilla Thunderbird"), "D:\\mail\\wm.exe /mail");
}

TEST_F(MailClients, OutlookExpressEachStepNeeded) {
    const auto full = [] {
        Set(HKEY_CURRENT_USER, kOe, "Default Mail Account", "Main");
        Set(HKEY_CURRENT_USER, kOeAccount, "POP3 Server", "pop.isp.example");
        Set(HKEY_CURRENT_USER, kOeAccount, "POP3 User Name", "joe");
    };
    full();
    const MailAccount a = FindMailAccount("Outlook Express 6");
    EXPECT_EQ(a.server, "pop.isp.example");
    EXPECT_EQ(a.user, "joe");
    EXPECT_FALSE(a.security) << "a source that names no security leaves the page's as it is";
    EXPECT_EQ(FindMailAccount("Outlook").server, "");  // the whole prefix is needed
    EXPECT_EQ(FindMailAccount("outlook express").server, "");

    Unset(HKEY_CURRENT_USER, kOe, "Default Mail Account");
    EXPECT_EQ(FindMailAccount("Outlook Express").server, "");
    full();
    Set(HKEY_CURRENT_USER, kOe, "Default Mail Account", "Other");  // no such account key
    EXPECT_EQ(FindMailAccount("Outlook Express").server, "");
    full();
    Unset(HKEY_CURRENT_USER, kOeAccount, "POP3 Server");
    EXPECT_EQ(FindMailAccount("Outlook Express").user, "");
    full();
    Unset(HKEY_CURRENT_USER, kOeAccount, "POP3 User Name");
    EXPECT_EQ(FindMailAccount("Outlook Express").server, "");

    // Read with a 255-byte buffer: 254 characters fit (and are cut to 251), 255 do not.
    full();
    Set(HKEY_CURRENT_USER, kOeAccount, "POP3 Server", std::string(254, 's'));
    EXPECT_EQ(FindMailAccount("Outlook Express").server, std::string(251, 's'));
    Set(HKEY_CURRENT_USER, kOeAccount, "POP3 User Name", std::string(100, 'u'));
    EXPECT_EQ(FindMailAccount("Outlook Express").user, std::string(63, 'u'));
    Set(HKEY_CURRENT_USER, kOeAccount, "POP3 Server", std::string(255, 's'));
    EXPECT_EQ(FindMailAccount("Outlook Express").server, "");
    SetRaw(HKEY_CURRENT_USER, kOeAccount, "POP3 Server", REG_SZ, std::string(255, 's'));  // unterminated
    EXPECT_EQ(FindMailAccount("Outlook Express").server, "");
}

TEST_F(MailClients, InternetMailEachStepNeeded) {
    Set(HKEY_CURRENT_USER, kImn, "Default POP3 Server", "mail.isp.example");
    EXPECT_EQ(FindMailAccount("Internet Mail and News").server, "");  // no POP3 subkey
    Set(HKEY_CURRENT_USER, kImnServer, "Account", "jane");
    const MailAccount a = FindMailAccount("Internet Mail and News");
    EXPECT_EQ(a.server, "mail.isp.example");
    EXPECT_EQ(a.user, "jane");
    Unset(HKEY_CURRENT_USER, kImn, "Default POP3 Server");
    EXPECT_EQ(FindMailAccount("Internet Mail").user, "");
}

TEST_F(MailClients, EudoraProfileFile) {
    const std::string dir = Dir("Eudora");
    EXPECT_EQ(FindMailAccount("Eudora Light").server, "");  // no App Paths entry
    Set(HKEY_LOCAL_MACHINE, kEudoraApp, "Path", dir);
    EXPECT_EQ(FindMailAccount("Eudora Light").server, "");  // no Eudora.ini
    WriteFile(dir + "\\Eudora.ini", "[Settings]\r\nRealName=Joe\r\nPOPAccount=joe@pop.isp.example\r\n");
    const MailAccount a = FindMailAccount("Eudora Light");
    EXPECT_EQ(a.server, "pop.isp.example");
    EXPECT_EQ(a.user, "joe");
    WriteFile(dir + "\\Eudora.ini", "[Settings]\r\nPOPAccount=joe.pop.isp.example\r\n");
    EXPECT_EQ(FindMailAccount("Eudora").server, "");
    WriteFile(dir + "\\Eudora.ini", "[Settings]\r\nPOPAccount=@pop.isp.example\r\n");
    EXPECT_EQ(FindMailAccount("Eudora").server, "");
}

class NetscapeClients : public MailClients {
protected:
    void Navigator4(const std::string& prefs) {
        const std::string dir = Dir("pat");
        Set(HKEY_LOCAL_MACHINE, kNsUsers, "CurrentUser", "pat");
        Set(HKEY_LOCAL_MACHINE, kNsUser, "DirRoot", dir);
        WriteFile(dir + "\\prefs.js", prefs);
    }
    void Navigator3() {
        Set(HKEY_CURRENT_USER, kNsMail, "POP Name", "pat3");
        Set(HKEY_CURRENT_USER, kNsServices, "POP_Server", "pop3.isp.example");
    }
};

TEST_F(NetscapeClients, MessengerReadsTheProfilesPrefs) {
    Navigator4("user_pref(\"mail.pop_name\", \"pat4\");\r\n"
               "user_pref(\"network.hosts.pop_server\", \"pop4.isp.example\");\r\n");
    const MailAccount a = FindMailAccount(kNetscapeMessenger);
    EXPECT_EQ(a.server, "pop4.isp.example");
    EXPECT_EQ(a.user, "pat4");
    DeleteFileA((dir_.file("pat") + "\\prefs.js").c_str());
    EXPECT_EQ(FindMailAccount(kNetscapeMessenger).server, "");
    Navigator4("");
    Unset(HKEY_LOCAL_MACHINE, kNsUser, "DirRoot");
    EXPECT_EQ(FindMailAccount(kNetscapeMessenger).server, "");
}

TEST_F(NetscapeClients, NavigatorThreeValuesReplaceTheProfilesOnlyWhenBothExist) {
    Navigator4("user_pref(\"mail.pop_name\", \"pat4\");\n"
               "user_pref(\"network.hosts.pop_server\", \"pop4.isp.example\");\n");
    Set(HKEY_CURRENT_USER, kNsMail, "POP Name", "pat3");  // no server value yet
    MailAccount a = FindMailAccount(kNetscapeMail);
    EXPECT_EQ(a.server, "pop4.isp.example");
    EXPECT_EQ(a.user, "pat4");
    Navigator3();
    a = FindMailAccount(kNetscapeMail);
    EXPECT_EQ(a.server, "pop3.isp.example");
    EXPECT_EQ(a.user, "pat3");
    // A profile with only the server leaves the user name to nobody.
    Unset(HKEY_CURRENT_USER, kNsServices, "POP_Server");
    Navigator4("user_pref(\"network.hosts.pop_server\", \"pop4.isp.example\");\n");
    a = FindMailAccount(kNetscapeMail);
    EXPECT_EQ(a.server, "pop4.isp.example");
    EXPECT_EQ(a.user, "");
}

TEST_F(MailClients, ThunderbirdDefaultProfile) {
    const std::string tb = Dir("Thunderbird");
    Dir("Thunderbird\\Profiles");
    const std::string rel = Dir("Thunderbird\\Profiles\\ab12.default-release");
    const std::string abs = Dir("elsewhere");
    const std::string pop = "user_pref(\"mail.server.server1.type\", \"none\");\n"
                            "user_pref(\"mail.server.server2.type\", \"imap\");\n"
                            "user_pref(\"mail.server.server2.hostname\", \"imap.isp.example\");\n"
                            "user_pref(\"mail.server.server2.userName\", \"imapuser\");\n"
                            "user_pref(\"mail.server.server3.type\", \"pop3\");\n"
                            "user_pref(\"mail.server.server3.hostname\", \"pop.isp.example\");\n"
                            "user_pref(\"mail.server.server3.userName\", \"tbuser\");\n"
                            "user_pref(\"mail.server.server3.socketType\", 2);\n";
    WriteFile(rel + "\\prefs.js", pop);
    WriteFile(abs + "\\prefs.js", "user_pref(\"mail.server.server1.type\", \"imap\");\n"
                                  "user_pref(\"mail.server.server1.hostname\", \"imap.isp.example\");\n"
                                  "user_pref(\"mail.server.server1.userName\", \"imapuser\");\n");
    EXPECT_EQ(FindMailAccount("Mozilla Thunderbird").server, "");  // no profiles.ini

    // The Install section names the relative profile.
    WriteFile(tb + "\\profiles.ini", "[Profile1]\r\nName=x\r\nIsRelative=0\r\nPath=" + abs +
                                         "\r\nDefault=1\r\n\r\n[Profile0]\r\nName=default-release\r\n"
                                         "IsRelative=1\r\nPath=Profiles/ab12.default-release\r\n\r\n"
                                         "[InstallE7CF176E110C211B]\r\nDefault=Profiles/ab12.default-release\r\n");
    MailAccount a = FindMailAccount("Mozilla Thunderbird (128.3.0)");
    EXPECT_EQ(a.server, "pop.isp.example");
    EXPECT_EQ(a.user, "tbuser");
    EXPECT_EQ(a.security, 1);
    EXPECT_EQ(a.port, 0u);

    // Without it, Default=1 picks the absolute one, whose only account is IMAP.
    WriteFile(tb + "\\profiles.ini", "[Profile0]\r\nName=x\r\nIsRelative=0\r\nPath=" + abs + "\r\nDefault=1\r\n");
    EXPECT_EQ(FindMailAccount("Mozilla Thunderbird").server, "");
    WriteFile(abs + "\\prefs.js", pop);
    a = FindMailAccount("Mozilla Thunderbird");
    EXPECT_EQ(a.server, "pop.isp.example");
    EXPECT_EQ(a.user, "tbuser");
    EXPECT_EQ(FindMailAccount("Thunderbird").server, "");
}

}  // namespace
}  // namespace mailwick
