// The checker's settings record and the one process-wide copy of it.
//
// The record is plain data of fixed size: texts live in fixed-width fields (a longer
// text is cut to fit) so copying a record never allocates, and the main thread and
// the check worker can hand whole records to each other under a lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace mailwick {

// Field widths in bytes, terminator included.
inline constexpr std::size_t kShortTextWidth = 128;  // account texts, dial-up entry
inline constexpr std::size_t kLongTextWidth = 250;   // sound files, mail program

inline constexpr uint32_t kDefaultCheckFreqLO = 3'600'000;  // 60 minutes
inline constexpr uint32_t kDefaultCheckFreqHI = 300'000;    // 5 minutes
// A stored period shorter than this (0 from a hand edit or an older tool) would check
// back to back; it reads as the default instead.
inline constexpr uint32_t kShortestCheckFreq = 60'000;
inline constexpr uint32_t UsableCheckFreq(uint32_t stored, uint32_t fallback) {
    return stored < kShortestCheckFreq ? fallback : stored;
}
inline constexpr char kDefaultNotifWav[] = "newmail.wav";
inline constexpr char kDefaultNotifAlarmWav[] = "alarm.wav";
inline constexpr char kDefaultMailProgramName[] = "Other";

// Copies text into a field of `width` bytes: at most width - 1 characters, ending at
// the first zero byte of `text`; the rest of the field is zero-filled.
void CopyCut(char* field, std::size_t width, std::string_view text);

class Settings {
public:
    // Every default of a fresh user (from the settings table); the account is empty and
    // not valid.
    Settings();

    const char* GetUsername() const { return Username; }
    void SetUsername(std::string_view text) { CopyCut(Username, sizeof Username, text); }
    const char* GetPassword() const { return Password; }
    void SetPassword(std::string_view text) { CopyCut(Password, sizeof Password, text); }
    const char* GetServer() const { return Server; }
    void SetServer(std::string_view text) { CopyCut(Server, sizeof Server, text); }
    int32_t GetAccountValid() const { return AccountValid; }
    void SetAccountValid(int32_t v) { AccountValid = v; }

    int32_t GetUseRAS() const { return UseRAS; }
    void SetUseRAS(int32_t v) { UseRAS = v; }
    int32_t GetRASEstab() const { return RASEstab; }
    void SetRASEstab(int32_t v) { RASEstab = v; }
    const char* GetRASEntry() const { return RASEntry; }
    void SetRASEntry(std::string_view text) { CopyCut(RASEntry, sizeof RASEntry, text); }
    int32_t GetCheckRAS() const { return CheckRAS; }
    void SetCheckRAS(int32_t v) { CheckRAS = v; }
    int32_t GetRASDisconnect() const { return RASDisconnect; }
    void SetRASDisconnect(int32_t v) { RASDisconnect = v; }
    int32_t GetRASDisconExceptNewMail() const { return RASDisconExceptNewMail; }
    void SetRASDisconExceptNewMail(int32_t v) { RASDisconExceptNewMail = v; }
    int32_t GetRASDisconExceptExist() const { return RASDisconExceptExist; }
    void SetRASDisconExceptExist(int32_t v) { RASDisconExceptExist = v; }

    uint32_t GetCheckFreqLO() const { return CheckFreqLO; }
    void SetCheckFreqLO(uint32_t ms) { CheckFreqLO = ms; }
    uint32_t GetCheckFreqHI() const { return CheckFreqHI; }
    void SetCheckFreqHI(uint32_t ms) { CheckFreqHI = ms; }
    int32_t GetCheckAutoStart() const { return CheckAutoStart; }
    void SetCheckAutoStart(int32_t v) { CheckAutoStart = v; }

    int32_t GetNotifPlayWav() const { return NotifPlayWav; }
    void SetNotifPlayWav(int32_t v) { NotifPlayWav = v; }
    const char* GetNotifWav() const { return NotifWav; }
    void SetNotifWav(std::string_view text) { CopyCut(NotifWav, sizeof NotifWav, text); }
    int32_t GetNotifPlayAlarm() const { return NotifPlayAlarm; }
    void SetNotifPlayAlarm(int32_t v) { NotifPlayAlarm = v; }
    const char* GetNotifAlarmWav() const { return NotifAlarmWav; }
    void SetNotifAlarmWav(std::string_view text) { CopyCut(NotifAlarmWav, sizeof NotifAlarmWav, text); }
    int32_t GetNotifShowDialog() const { return NotifShowDialog; }
    void SetNotifShowDialog(int32_t v) { NotifShowDialog = v; }
    int32_t GetNotifBalloon() const { return NotifBalloon; }
    void SetNotifBalloon(int32_t v) { NotifBalloon = v; }
    int32_t GetLaunchMail() const { return LaunchMail; }
    void SetLaunchMail(int32_t v) { LaunchMail = v; }
    const char* GetMailProgramName() const { return MailProgramName; }
    void SetMailProgramName(std::string_view text) { CopyCut(MailProgramName, sizeof MailProgramName, text); }
    const char* GetMailProgramFile() const { return MailProgramFile; }
    void SetMailProgramFile(std::string_view text) { CopyCut(MailProgramFile, sizeof MailProgramFile, text); }

    // 0 in the clear, 1 STLS on the plain port, 2 TLS from the first byte.
    int32_t GetSecurity() const { return Security; }
    void SetSecurity(int32_t v) { Security = v; }
    // 0 is the usual port of the chosen security.
    uint32_t GetServerPort() const { return Port; }
    void SetServerPort(uint32_t v) { Port = v; }

    // Field-by-field; text fields are zero-filled past their text, so this compares texts.
    bool operator==(const Settings&) const = default;

private:
    char Username[kShortTextWidth]{};
    char Password[kShortTextWidth]{};
    char Server[kShortTextWidth]{};
    int32_t AccountValid{};
    int32_t UseRAS{};
    int32_t RASEstab{};
    char RASEntry[kShortTextWidth]{};
    int32_t CheckRAS{};
    int32_t RASDisconnect{};
    int32_t RASDisconExceptNewMail{};
    int32_t RASDisconExceptExist{};
    uint32_t CheckFreqLO{};
    uint32_t CheckFreqHI{};
    int32_t CheckAutoStart{};
    int32_t NotifPlayWav{};
    char NotifWav[kLongTextWidth]{};
    int32_t NotifPlayAlarm{};
    char NotifAlarmWav[kLongTextWidth]{};
    int32_t NotifShowDialog{};
    int32_t NotifBalloon{};
    int32_t LaunchMail{};
    char MailProgramName[kLongTextWidth]{};
    char MailProgramFile[kLongTextWidth]{};
    int32_t Security{};
    uint32_t Port{};
};

// AccountValid = 1 when user name, password and server are all non-empty, else 0;
// returns the new AccountValid.
int32_t ValidateAccount(Settings& settings);

// The process's one settings record. The main thread reads it at start-up, the
// options sheet changes it, the check worker reads it: each takes or hands over a
// whole record under a lock, so no reader ever sees a change half done.

// A consistent copy of the current record.
Settings SettingsSnapshot();

// Replaces the whole record.
void CommitSettings(const Settings& settings);

// Changes some fields in place as one step (read, change, write back under the lock).
// `change` must not call the functions above.
void UpdateSettings(const std::function<void(Settings&)>& change);

}  // namespace mailwick
