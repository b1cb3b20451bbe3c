// The settings in the registry, each test in its own empty HKEY_CURRENT_USER.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "checker/logic/settings_table.h"
#include "checker/logic/shifted_text.h"
#include "checker/settings.h"
#include "checker/startup_shortcut.h"
#include "checker/texts.h"
#include "common/registry.h"
#include "fixtures/message_recorder.h"
#include "fixtures/registry_sandbox.h"
#include "fixtures/registry_value.h"
#include "fixtures/temp_dir.h"

namespace mailwick {
namespace {

using mwtest::MessageRecorder;
using mwtest::RegistrySandbox;
using mwtest::TempDir;

using RawValue = mwtest::RegValue;
RawValue ReadRaw(const char* name) { return mwtest::ReadRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, name); }

void WriteRaw(const char* name, DWORD type, const std::string& bytes) {
    const RegKey key = RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
    ASSERT_TRUE(key.WriteValue(name, type, bytes.data(), static_cast<DWORD>(bytes.size())));
}

std::string Sz(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

std::string Le32(DWORD v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

std::size_t ValueCount() { return mwtest::ReadRegValues(HKEY_CURRENT_USER, kSettingsKeyPath).size(); }

// An empty user with a Startup folder of its own and every message box caught.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegWriteText(HKEY_CURRENT_USER, kShellFoldersKeyPath, "Startup", startup_.str()));
    }
    // Marks the user as not new, so reading does not place the shortcut.
    void NotFirstRun() { WriteRaw("CheckAutoStart", REG_DWORD, Le32(1)); }

    RegistrySandbox registry_;
    TempDir startup_;
    MessageRecorder messages_;
};

TEST_F(SettingsStore, FreshUserGetsTheKeyEveryDefaultAndTheShortcut) {
    ASSERT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    Settings s;
    s.SetServer("left over");
    s.SetCheckAutoStart(0);
    s.SetNotifWav("left.wav");
    EXPECT_EQ(ReadSettings(s), 1);

    EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_EQ(ValueCount(), 0u) << "reading stores nothing";
    EXPECT_EQ(s, Settings()) << "every default (checked field by field in the unit tests)";
    EXPECT_EQ(s.GetCheckAutoStart(), 1);
    EXPECT_EQ(ValidateAccount(s), 0);

    EXPECT_TRUE(mwtest::FileExists(startup_.file("Mailwick.lnk")));
    const auto shown = messages_.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, kShortcutCreatedText);
    EXPECT_EQ(shown[0].caption, "Mailwick");
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(shown[0].owner, nullptr);
}

TEST_F(SettingsStore, PresentAutoStartIsKeptAndPlacesNoShortcut) {
    WriteRaw("CheckAutoStart", REG_DWORD, Le32(0));
    Settings s;
    ReadSettings(s);
    EXPECT_EQ(s.GetCheckAutoStart(), 0);
    EXPECT_FALSE(StartupShortcutExists());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SettingsStore, UnreadableAutoStartCountsAsAbsent) {
    WriteRaw("CheckAutoStart", REG_BINARY, std::string(8, '\0'));
    Settings s;
    s.SetCheckAutoStart(0);
    ReadSettings(s);
    EXPECT_EQ(s.GetCheckAutoStart(), 1);
    EXPECT_TRUE(StartupShortcutExists());
    EXPECT_EQ(messages_.Messages().size(), 1u);
}

TEST_F(SettingsStore, AccountTextsAreStoredShiftedByOne) {
    Settings s;
    s.SetUsername("abc");
    s.SetPassword("pw");
    s.SetServer("pop.example.net");
    EXPECT_EQ(WriteAccount(s), 1);
    const RawValue user = ReadRaw("Username");
    EXPECT_EQ(user.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(user.bytes, Sz("bcd"));
    EXPECT_EQ(ReadRaw("Password").bytes, Sz(""));  // kept protected instead
    EXPECT_EQ(ReadRaw("Server").bytes, Sz("qpq/fybnqmf/ofu"));

    WriteRaw("Username", REG_SZ, Sz("bcd"));
    Settings back;
    EXPECT_EQ(ReadAccount(back), 1);
    EXPECT_STREQ(back.GetUsername(), "abc");
    EXPECT_STREQ(back.GetServer(), "pop.example.net");
}

TEST_F(SettingsStore, Code255InAnAccountTextSurvivesTheRegistry) {
    Settings s;
    s.SetUsername("\xff" "joe\xff");
    s.SetPassword("\x01\xfe\xff");
    WriteAccount(s);
    EXPECT_EQ(ReadRaw("Username").bytes, Sz("\x01kpf\x01"));
    Settings back;
    ReadAccount(back);
    EXPECT_STREQ(back.GetUsername(), "\xff" "joe\xff");
    EXPECT_STREQ(back.GetPassword(), "\x01\xfe\xff");
}

TEST_F(SettingsStore, AccountValueWrittenByAnEarlierInstallationReadsTheSame) {
    // The plain shift of "Joe" with code 254: 'J'+1, 'o'+1, 'e'+1, 254+1.
    WriteRaw("Username", REG_SZ, Sz("Kpf\xff"));
    Settings s;
    ReadAccount(s);
    EXPECT_STREQ(s.GetUsername(), "Joe\xfe");
}

TEST_F(SettingsStore, OverLongTextsReadEmptyOrDefault) {
    NotFirstRun();
    WriteRaw("RASEntry", REG_SZ, Sz(std::string(128, 'r')));
    WriteRaw("Username", REG_SZ, Sz(std::string(128, 'u')));
    WriteRaw("NotifWav", REG_SZ, Sz(std::string(250, 'w')));
    WriteRaw("MailProgramFile", REG_SZ, std::string(250, 'f'));  // no terminator, fills the field
    Settings s;
    s.SetRASEntry("old");
    ReadSettings(s);
    EXPECT_STREQ(s.GetRASEntry(), "");
    EXPECT_STREQ(s.GetUsername(), "");
    EXPECT_STREQ(s.GetNotifWav(), "newmail.wav");
    EXPECT_STREQ(s.GetMailProgramFile(), "");
}

TEST_F(SettingsStore, TextsThatJustFitAreRead) {
    NotFirstRun();
    WriteRaw("RASEntry", REG_SZ, Sz(std::string(127, 'r')));
    WriteRaw("Username", REG_SZ, Sz(std::string(127, 'v')));
    WriteRaw("NotifAlarmWav", REG_SZ, Sz(std::string(249, 'a')));
    Settings s;
    ReadSettings(s);
    EXPECT_EQ(std::string(s.GetRASEntry()), std::string(127, 'r'));
    EXPECT_EQ(std::string(s.GetUsername()), std::string(127, 'u'));
    EXPECT_EQ(std::string(s.GetNotifAlarmWav()), std::string(249, 'a'));
}

TEST_F(SettingsStore, NumbersThatDoNotFitFourBytesTakeTheDefault) {
    NotFirstRun();
    WriteRaw("CheckFreqHI", REG_BINARY, Le32(60000) + Le32(0));
    WriteRaw("CheckFreqLO", REG_QWORD, Le32(60000) + Le32(0));
    WriteRaw("RASEstab", REG_BINARY, std::string(2, '\0'));  // too short: half a number
    WriteRaw("UseRAS", REG_BINARY, std::string());
    Settings s;
    ReadSettings(s);
    EXPECT_EQ(s.GetCheckFreqHI(), 300000u);
    EXPECT_EQ(s.GetCheckFreqLO(), 3600000u);
    EXPECT_EQ(s.GetRASEstab(), 1);
    EXPECT_EQ(s.GetUseRAS(), 0);
}

TEST_F(SettingsStore, PeriodsBelowAMinuteReadAsTheirDefaults) {
    // A period of 0 would make a timer that checks back to back.
    NotFirstRun();
    WriteRaw("CheckFreqHI", REG_DWORD, Le32(0));
    WriteRaw("CheckFreqLO", REG_DWORD, Le32(59999));
    Settings s;
    ReadSettings(s);
    EXPECT_EQ(s.GetCheckFreqHI(), 300000u);
    EXPECT_EQ(s.GetCheckFreqLO(), 3600000u);
    WriteRaw("CheckFreqLO", REG_DWORD, Le32(60000));
    ReadSettings(s);
    EXPECT_EQ(s.GetCheckFreqLO(), 60000u);
}

TEST_F(SettingsStore, ReadingDoesNotLookAtTheStoredType) {
    NotFirstRun();
    WriteRaw("CheckFreqHI", REG_BINARY, Le32(120000));
    WriteRaw("UseRAS", REG_DWORD, Le32(1));
    WriteRaw("LaunchMail", REG_BINARY, Le32(7));  // kept as stored; "on" means exactly 1
    WriteRaw("RASEntry", REG_EXPAND_SZ, Sz("Office"));
    Settings s;
    ReadSettings(s);
    EXPECT_EQ(s.GetCheckFreqHI(), 120000u);
    EXPECT_EQ(s.GetUseRAS(), 1);
    EXPECT_EQ(s.GetLaunchMail(), 7);
    EXPECT_STREQ(s.GetRASEntry(), "Office");
}

// Every field away from its default.
Settings Unusual() {
    Settings s;
    s.SetUsername("joe");
    s.SetPassword("p\xffss");
    s.SetServer("mail.example.org");
    s.SetUseRAS(1);
    s.SetRASEstab(0);
    s.SetRASEntry("Office line");
    s.SetCheckRAS(1);
    s.SetRASDisconnect(0);
    s.SetRASDisconExceptNewMail(0);
    s.SetRASDisconExceptExist(0);
    s.SetCheckFreqLO(4294967295u);
    s.SetCheckFreqHI(60000);
    s.SetCheckAutoStart(0);
    s.SetNotifPlayWav(0);
    s.SetNotifWav("C:\\Sounds\\ding.wav");
    s.SetNotifPlayAlarm(0);
    s.SetNotifAlarmWav("C:\\Sounds\\bell.wav");
    s.SetNotifShowDialog(0);
    s.SetNotifBalloon(0);
    s.SetLaunchMail(1);
    s.SetMailProgramName(std::string(300, 'n'));
    s.SetMailProgramFile("\"C:\\Mail\\mail.exe\" /inbox");
    s.SetSecurity(2);
    s.SetServerPort(1995);
    return s;
}

// Every row of the table, each away from its default: stored with the type its kind
// names, and read back into the same field.
TEST_F(SettingsStore, EveryTableValueSurvivesAWriteAndAReadWithItsStoredType) {
    Settings written;
    uint32_t n = 1000;
    for (const SettingValue& v : SettingsTable()) {
        if (v.IsText()) {
            v.setText(written, std::string(v.name) + " \xff" + std::to_string(++n));
        } else {
            v.setNumber(written, v.defaultNumber + ++n);
        }
    }
    ASSERT_EQ(WriteSettings(written), 1);
    EXPECT_EQ(ValueCount(), SettingsTable().size() + 1);  // and the protected password
    for (const SettingValue& v : SettingsTable()) {
        const RawValue raw = ReadRaw(v.name);
        switch (v.store) {
            case SettingStore::ProtectedText:
                EXPECT_EQ(raw.bytes, Sz("")) << v.name;
                EXPECT_EQ(ReadRaw((std::string(v.name) + kProtectedSuffix).c_str()).type,
                          static_cast<DWORD>(REG_BINARY)) << v.name;
                break;
            case SettingStore::ShiftedText:
                EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << v.name;
                EXPECT_EQ(raw.bytes, Sz(ShiftText(v.text(written)))) << v.name;
                break;
            case SettingStore::Text:
                EXPECT_EQ(raw.type, static_cast<DWORD>(REG_SZ)) << v.name;
                EXPECT_EQ(raw.bytes, Sz(v.text(written))) << v.name;
                break;
            case SettingStore::Flag:
                EXPECT_EQ(raw.type, static_cast<DWORD>(REG_BINARY)) << v.name;
                EXPECT_EQ(raw.bytes, Le32(v.number(written))) << v.name;
                break;
            case SettingStore::Number:
                EXPECT_EQ(raw.type, static_cast<DWORD>(REG_DWORD)) << v.name;
                EXPECT_EQ(raw.bytes, Le32(v.number(written))) << v.name;
                break;
        }
    }
    Settings back;
    EXPECT_EQ(ReadSettings(back), 1);
    EXPECT_EQ(back, written);
    EXPECT_TRUE(messages_.Messages().empty());

    // And back to the defaults, so no value is stuck.
    EXPECT_EQ(WriteSettings(Settings()), 1);
    EXPECT_EQ(ReadSettings(back), 1);
    EXPECT_EQ(back, Settings());
}

TEST_F(SettingsStore, ValuesAreStoredWithTheirTypesAndSizes) {
    WriteSettings(Unusual());
    for (const SettingValue& row : SettingsTable()) {
        const RawValue v = ReadRaw(row.name);
        const DWORD type = row.IsText() ? REG_SZ : row.store == SettingStore::Flag ? REG_BINARY : REG_DWORD;
        EXPECT_EQ(v.type, type) << row.name;
        if (!row.IsText()) {
            EXPECT_EQ(v.bytes.size(), 4u) << row.name;
        }
    }
    EXPECT_EQ(ReadRaw("UseRAS").bytes, Le32(1));
    EXPECT_EQ(ReadRaw("RASEstab").bytes, Le32(0));
    EXPECT_EQ(ReadRaw("CheckFreqHI").bytes, Le32(60000));
    EXPECT_EQ(ReadRaw("RASEntry").bytes, Sz("Office line"));
    EXPECT_EQ(ReadRaw("MailProgramName").bytes, Sz(std::string(249, 'n')));
    EXPECT_EQ(ReadRaw("Port").bytes, Le32(1995));
    // A protected row keeps its text in a second value beside its own.
    const auto protectedRows = std::count_if(SettingsTable().begin(), SettingsTable().end(), [](const SettingValue& row) {
        return row.store == SettingStore::ProtectedText;
    });
    EXPECT_EQ(ValueCount(), SettingsTable().size() + protectedRows);
}

TEST(RegistryHelpers, KeysAndValues) {
    RegistrySandbox registry;
    constexpr char kKey[] = "Software\\Test\\Sub";
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kKey));
    EXPECT_FALSE(RegDeleteValueAt(HKEY_CURRENT_USER, kKey, "x")) << "no key, nothing deleted";
    {
        const RegKey key = RegKey::Create(HKEY_CURRENT_USER, kKey);
        ASSERT_TRUE(key);
        EXPECT_TRUE(key.WriteText("", "default value"));
        EXPECT_TRUE(key.WriteDword("n", 5));
        EXPECT_TRUE(key.DeleteValue("never there"));
    }
    std::string text;
    EXPECT_TRUE(RegReadText(HKEY_CURRENT_USER, kKey, "", 14, &text));
    EXPECT_EQ(text, "default value");
    EXPECT_FALSE(RegReadText(HKEY_CURRENT_USER, kKey, "", 13, &text)) << "does not fit 13 bytes";
    EXPECT_FALSE(RegReadText(HKEY_CURRENT_USER, kKey, "n", 100, &text, /*stringTypeOnly=*/true));
    EXPECT_TRUE(RegDeleteValueAt(HKEY_CURRENT_USER, kKey, "n"));
    DWORD n = 0;
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kKey).ReadNumber("n", &n));

    EXPECT_FALSE(RegDeleteKeyAt(HKEY_CURRENT_USER, "Software\\Test")) << "has a subkey";
    EXPECT_TRUE(RegDeleteKeyAt(HKEY_CURRENT_USER, kKey));
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kKey));
    EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, "Software\\Test")) << "only the last component goes";
}

TEST(RegistryHelpers, SandboxHidesTheRealUser) {
    {
        RegistrySandbox registry;
        ASSERT_TRUE(RegWriteText(HKEY_CURRENT_USER, "Software\\Leak", "v", "x"));
    }
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\Leak")) << "reached the real user";
    RegistrySandbox registry;
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, "Software\\Leak"));
}

}  // namespace
}  // namespace mailwick
