#include "checker/settings.h"

#include <windows.h>

#include <string>

#include "checker/logic/shifted_text.h"
#include "checker/startup_shortcut.h"
#include "common/registry.h"

namespace mailwick {

namespace {

RegKey OpenSettingsKey() {
    return RegKey::Create(HKEY_CURRENT_USER, kSettingsKeyPath);
}

// Reads an option value, or gives `fallback` when it is absent or does not fit.
class OptionReader {
public:
    explicit OptionReader(const RegKey& key) : key_(key) {}

    uint32_t Number(const char* name, uint32_t fallback) const {
        DWORD value = 0;
        return key_.ReadNumber(name, &value) ? value : fallback;
    }
    int32_t Flag(const char* name, int32_t fallback) const {
        return static_cast<int32_t>(Number(name, static_cast<uint32_t>(fallback)));
    }
    std::string Text(const char* name, std::size_t width, const char* fallback) const {
        std::string text;
        return key_.ReadText(name, static_cast<DWORD>(width), &text) ? text : fallback;
    }

private:
    const RegKey& key_;
};

}  // namespace

int32_t ReadAccount(Settings& settings) {
    std::string username, password, server;
    bool opened = false;
    {
        const RegKey key = OpenSettingsKey();
        opened = static_cast<bool>(key);
        // A failed read leaves the text empty.
        key.ReadText("Username", kShortTextWidth, &username);
        key.ReadText("Password", kShortTextWidth, &password);
        key.ReadText("Server", kShortTextWidth, &server);
    }
    settings.SetUsername(UnshiftText(username));
    settings.SetPassword(UnshiftText(password));
    settings.SetServer(UnshiftText(server));
    return opened ? 1 : 0;
}

int32_t WriteAccount(const Settings& settings) {
    const std::string username = ShiftText(settings.GetUsername());
    const std::string password = ShiftText(settings.GetPassword());
    const std::string server = ShiftText(settings.GetServer());
    const RegKey key = OpenSettingsKey();
    bool ok = static_cast<bool>(key);
    ok &= key.WriteText("Username", username);
    ok &= key.WriteText("Password", password);
    ok &= key.WriteText("Server", server);
    return ok ? 1 : 0;
}

int32_t ReadSettings(Settings& settings) {
    ReadAccount(settings);
    bool opened = false;
    bool autoStartAbsent = false;
    {
        const RegKey key = OpenSettingsKey();
        opened = static_cast<bool>(key);
        const OptionReader read(key);
        Settings& s = settings;
        s.SetCheckRAS(read.Flag("CheckRAS", 0));
        s.SetRASEstab(read.Flag("RASEstab", 1));
        s.SetUseRAS(read.Flag("UseRAS", 0));
        s.SetRASEntry(read.Text("RASEntry", kShortTextWidth, ""));
        s.SetRASDisconnect(read.Flag("RASDisconnect", 1));
        s.SetRASDisconExceptNewMail(read.Flag("RASDisconExceptNewMail", 1));
        s.SetRASDisconExceptExist(read.Flag("RASDisconExceptExist", 1));
        s.SetCheckFreqLO(UsableCheckFreq(read.Number("CheckFreqLO", kDefaultCheckFreqLO), kDefaultCheckFreqLO));
        s.SetCheckFreqHI(UsableCheckFreq(read.Number("CheckFreqHI", kDefaultCheckFreqHI), kDefaultCheckFreqHI));
        DWORD autoStart = 0;
        autoStartAbsent = !key.ReadNumber("CheckAutoStart", &autoStart);
        s.SetCheckAutoStart(autoStartAbsent ? 1 : static_cast<int32_t>(autoStart));
        s.SetNotifPlayWav(read.Flag("NotifPlayWav", 1));
        s.SetNotifWav(read.Text("NotifWav", kLongTextWidth, kDefaultNotifWav));
        s.SetNotifPlayAlarm(read.Flag("NotifPlayAlarm", 1));
        s.SetNotifAlarmWav(read.Text("NotifAlarmWav", kLongTextWidth, kDefaultNotifAlarmWav));
        s.SetNotifShowDialog(read.Flag("NotifShowDialog", 1));
        s.SetLaunchMail(read.Flag("LaunchMail", 0));
        s.SetMailProgramName(read.Text("MailProgramName", kLongTextWidth, kDefaultMailProgramName));
        s.SetMailProgramFile(read.Text("MailProgramFile", kLongTextWidth, ""));
        // Absent in settings of earlier versions: in the clear, on the usual port.
        s.SetSecurity(read.Flag("Security", 0));
        s.SetServerPort(read.Number("Port", 0));
    }
    // First run after an installation: start with Windows from now on. Done with the
    // key closed, as the shortcut's message box waits for the user.
    if (autoStartAbsent) CreateStartupShortcut();
    return opened ? 1 : 0;
}

int32_t WriteSettings(const Settings& settings) {
    bool ok = WriteAccount(settings) == 1;
    const RegKey key = OpenSettingsKey();
    ok &= static_cast<bool>(key);
    const Settings& s = settings;
    auto flag = [&](const char* name, int32_t value) {
        ok &= key.WriteBinary32(name, static_cast<DWORD>(value));
    };
    auto number = [&](const char* name, uint32_t value) { ok &= key.WriteDword(name, value); };
    auto text = [&](const char* name, const char* value) { ok &= key.WriteText(name, value); };
    flag("CheckRAS", s.GetCheckRAS());
    flag("RASEstab", s.GetRASEstab());
    flag("UseRAS", s.GetUseRAS());
    text("RASEntry", s.GetRASEntry());
    flag("RASDisconnect", s.GetRASDisconnect());
    flag("RASDisconExceptNewMail", s.GetRASDisconExceptNewMail());
    flag("RASDisconExceptExist", s.GetRASDisconExceptExist());
    number("CheckFreqLO", s.GetCheckFreqLO());
    number("CheckFreqHI", s.GetCheckFreqHI());
    number("CheckAutoStart", static_cast<uint32_t>(s.GetCheckAutoStart()));
    flag("NotifPlayWav", s.GetNotifPlayWav());
    text("NotifWav", s.GetNotifWav());
    flag("NotifPlayAlarm", s.GetNotifPlayAlarm());
    text("NotifAlarmWav", s.GetNotifAlarmWav());
    flag("NotifShowDialog", s.GetNotifShowDialog());
    flag("LaunchMail", s.GetLaunchMail());
    text("MailProgramName", s.GetMailProgramName());
    text("MailProgramFile", s.GetMailProgramFile());
    number("Security", static_cast<uint32_t>(s.GetSecurity()));
    number("Port", s.GetServerPort());
    return ok ? 1 : 0;
}

}  // namespace mailwick
