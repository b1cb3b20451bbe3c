// The real mailwick.exe, started in a folder of its own against a private Dovecot and
// driven from outside as a user would: commands to its hidden main window, tray clicks.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <regex>

#include "checker/newmail_res.h"
#include "checker/options/options_res.h"
#include "checker/resource.h"
#include "checker/texts.h"
#include "common/registry.h"
#include "e2e/driver.h"
#include "fixtures/fakeras_env.h"
#include "fixtures/silent_server.h"
#include "fixtures/test_address.h"
#include "pop3/stored_list.h"

namespace mwtest {
namespace {

const std::wstring kAlreadyRunning = ToWide(mailwick::kAlreadyRunningText);

class CheckerE2E : public ::testing::Test {
protected:
    void SetUp() override {
        maildir_ = WinePath(EnvOr("MAILWICK_DOVECOT_MAILDIR", ""));
        ASSERT_FALSE(maildir_.empty());
        EmptyMaildir(maildir_);
        ClearSettingsKey();
        dir_ = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        SetAccount("mailwick", "secret", EnvOr("MAILWICK_DOVECOT_IP", ""));
        SetRegDword("CheckAutoStart", 0);
        SetRegBinary32("NotifPlayWav", 0);
        SetRegBinary32("NotifPlayAlarm", 0);
    }

    void Start(CheckerProcess& p) {
        ASSERT_TRUE(p.start(CheckerExePath(), dir_));
        ASSERT_NE(p.waitForMainWindow(), nullptr);
    }

    // Check Now, then wait for the scan to be recorded.
    std::string CheckNow(CheckerProcess& p, const std::string& previousStatus = "") {
        p.postCommand(IDM_CHECK_NOW);
        std::string status;
        WaitUntil([&] { return GetRegString("LastStatus", &status) && status != previousStatus; }, 30s);
        return status;
    }

    std::string maildir_;
    std::string dir_;
};

TEST_F(CheckerE2E, ASecondInstanceSaysSoAndLeavesTheFirstRunning) {
    CheckerProcess first;
    Start(first);
    CheckerProcess second;
    ASSERT_TRUE(second.start(CheckerExePath(), dir_));

    HWND box = WaitForWindow(second.pid(), L"Mailwick");
    ASSERT_NE(box, nullptr);
    const auto texts = ChildTexts(box);
    EXPECT_NE(std::find(texts.begin(), texts.end(), kAlreadyRunning), texts.end());
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.waitExit(10s), 0);
    EXPECT_TRUE(first.running());

    first.postCommand(IDM_EXIT);
    EXPECT_EQ(first.waitExit(20s), 0);
}

TEST_F(CheckerE2E, CheckNowRecordsTheScanShowsTheSendersAndTheNextRunReadsIt) {
    ASSERT_TRUE(DeliverMessage(maildir_, MakeMessage("Ann <ann@example.org>", "one")));
    ASSERT_TRUE(DeliverMessage(maildir_, MakeMessage("", "two")));
    CheckerProcess p;
    Start(p);
    const std::string status = CheckNow(p);
    EXPECT_TRUE(std::regex_match(status, std::regex(R"(2 new items \(2\) \w{3} \w{3} \d\d, \d{4} \d\d:\d\d)")))
        << status;

    // The NEWMAIL dialog lists the senders in arrival order.
    HWND dialog = WaitForWindow(p.pid(), L"Mailwick - New Mail!");
    ASSERT_TRUE(WaitUntil([&] { return ListBoxLines(GetDlgItem(dialog, IDC_NEWMAIL_LIST)).size() == 2; }, 20s));
    const auto lines = ListBoxLines(GetDlgItem(dialog, IDC_NEWMAIL_LIST));
    EXPECT_EQ(lines[0], L"Ann <ann@example.org>");
    EXPECT_EQ(lines[1], ToWide(mailwick::kUnknownSender));

    pop3::StoredMessageList list;
    list.loadFile(dir_ + "\\UIDL");
    ASSERT_EQ(list.length(), 2u);
    EXPECT_EQ(list.newFlagAt(0), 1);
    EXPECT_EQ(list.newFlagAt(1), 1);

    p.postCommand(IDM_EXIT);
    ASSERT_EQ(p.waitExit(20s), 0);

    // The next run knows both messages: one more arrives, and only it is new.
    ASSERT_TRUE(DeliverMessage(maildir_, MakeMessage("Cy <cy@example.org>", "three")));
    CheckerProcess again;
    Start(again);
    const std::string next = CheckNow(again, status);
    EXPECT_EQ(next.rfind("1 new item (3) ", 0), 0u) << next;
    pop3::StoredMessageList after;
    after.loadFile(dir_ + "\\UIDL");
    ASSERT_EQ(after.length(), 3u);
    EXPECT_EQ(after.newFlagAt(0), 0);
    EXPECT_EQ(after.newFlagAt(1), 0);
    EXPECT_EQ(after.newFlagAt(2), 1);
    again.postCommand(IDM_EXIT);
    EXPECT_EQ(again.waitExit(20s), 0);
}

TEST_F(CheckerE2E, ExitWritesEverySetting) {
    CheckerProcess p;
    Start(p);
    p.postCommand(IDM_EXIT);
    ASSERT_EQ(p.waitExit(20s), 0);
    const RegValue period = ReadRegValue(HKEY_CURRENT_USER, kSettingsKey, "CheckFreqHI");
    EXPECT_EQ(period.type, static_cast<DWORD>(REG_DWORD));
    DWORD value = 0;
    EXPECT_TRUE(GetRegBinary32("CheckFreqHI", &value));  // any type, 4 bytes
    EXPECT_EQ(value, 300'000u);
    std::string wav;
    ASSERT_TRUE(GetRegString("NotifWav", &wav));
    EXPECT_EQ(wav, "newmail.wav");
    std::string user;
    ASSERT_TRUE(GetRegString("Username", &user));
    EXPECT_EQ(user, "nbjmxjdl");  // "mailwick", each character shifted by one
}

// A first start without an account opens the options sheet; the account typed there is
// stored and Check Now then checks it.
TEST_F(CheckerE2E, FirstStartOpensOptionsAndTheTypedAccountIsChecked) {
    ClearSettingsKey();
    ASSERT_TRUE(DeliverMessage(maildir_, MakeMessage("Ann <ann@example.org>", "welcome")));
    CheckerProcess p;
    Start(p);

    // The first start places the Startup shortcut and says so, then opens the sheet.
    HWND box = WaitForWindow(p.pid(), L"Mailwick");
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    const SheetDriver sheet(WaitForSheet(p.pid()));
    ASSERT_NE(sheet.Page(), nullptr);
    sheet.Type(IDC_SERVER, EnvOr("MAILWICK_DOVECOT_IP", ""));
    sheet.Type(IDC_USERNAME, "mailwick");
    sheet.Type(IDC_PASSWORD, "secret");
    sheet.PressLater(PSBTN_OK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(sheet.Sheet()); }, 20s));

    std::string stored;
    ASSERT_TRUE(GetRegString("Username", &stored));
    EXPECT_EQ(stored, "nbjmxjdl");
    ASSERT_TRUE(GetRegString("Password", &stored));
    EXPECT_EQ(stored, "");  // kept with the user's data protection instead
    ASSERT_TRUE(GetRegString("PasswordData", &stored));
    EXPECT_EQ(stored.find("secret"), std::string::npos);

    const std::string status = CheckNow(p);
    EXPECT_EQ(status.rfind("1 new item (1) ", 0), 0u) << status;
    p.postCommand(IDM_EXIT);
    EXPECT_EQ(p.waitExit(20s), 0);

    // The shortcut of the first start is this test's; the next tests start without it.
    const RegValue startup = ReadRegValue(
        HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Startup");
    if (startup.type != REG_NONE) DeleteFileA((std::string(startup.bytes.c_str()) + "\\Mailwick.lnk").c_str());
}

// Wine's own DLL settings for mailwick.exe: "native" takes the copy beside the program,
// "" loads none, as on a machine without the library.
class RasLibraryOrder {
public:
    explicit RasLibraryOrder(const char* order) { mailwick::RegKey::Create(HKEY_CURRENT_USER, kKey).WriteText("rasapi32", order); }
    ~RasLibraryOrder() { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

private:
    static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\mailwick.exe\\DllOverrides";
};

TEST_F(CheckerE2E, DialUpIsTurnedOffWhenTheRasLibraryIsMissing) {
    RasLibraryOrder missing("");
    SetRegBinary32("UseRAS", 1);
    CheckerProcess p;
    Start(p);
    p.postCommand(IDM_EXIT);
    ASSERT_EQ(p.waitExit(20s), 0);
    DWORD useRas = 1;
    ASSERT_TRUE(GetRegBinary32("UseRAS", &useRas));
    EXPECT_EQ(useRas, 0u);
}

TEST_F(CheckerE2E, ExitDuringACheckThatDialledHangsUpEndsCleanlyAndWritesTheSettings) {
    // The check dials, then waits on a silent server with the normal 60-second bound; the
    // program gives it 10 seconds, hangs the connection up and must then end without
    // crashing under the check. The stand-in RAS library sits beside a copy of the program.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string testBin = std::string(self).substr(0, std::string(self).rfind('\\'));
    const std::string exe = dir_ + "\\mailwick.exe";
    ASSERT_TRUE(CopyFileA(CheckerExePath().c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((testBin + "\\rasapi32.dll").c_str(), (dir_ + "\\rasapi32.dll").c_str(), FALSE));
    RasLibraryOrder own("native");
    FakeRasFiles ras;
    fakeras::State world;
    world.entries = {{"MyISP", true}};
    ras.write(world);
    SetRegBinary32("UseRAS", 1);
    SetRegString("RASEntry", "MyISP");
    SetRegBinary32("RASEstab", 1);
    SetRegBinary32("RASDisconnect", 1);

    const std::string ip = TestAddress(42);
    SilentServer server(ip);
    ASSERT_TRUE(server.bound());
    SetAccount("mailwick", "secret", ip);
    CheckerProcess p;
    ASSERT_TRUE(p.start(exe, dir_));
    ASSERT_NE(p.waitForMainWindow(), nullptr);
    p.postCommand(IDM_CHECK_NOW);
    ASSERT_TRUE(WaitUntil([&] { return server.accepted > 0; }, 20s));
    ASSERT_EQ(ras.read().connections.size(), 1u);
    const auto start = std::chrono::steady_clock::now();
    p.postCommand(IDM_EXIT);
    EXPECT_EQ(p.waitExit(30s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    EXPECT_TRUE(ras.read().connections.empty());  // hung up and gone
    DWORD period = 0;
    EXPECT_TRUE(GetRegBinary32("CheckFreqLO", &period));
    EXPECT_EQ(period, 3'600'000u);
}

}  // namespace
}  // namespace mwtest
