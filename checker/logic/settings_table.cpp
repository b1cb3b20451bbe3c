#include "checker/logic/settings_table.h"

#include <array>
#include <utility>

namespace mailwick {

namespace {

template <auto Get, auto Set>
constexpr SettingValue NumberRow(const char* name, SettingStore store, uint32_t fallback, bool marksFirstRun = false) {
    using Field = decltype((std::declval<const Settings&>().*Get)());
    return {name,
            store,
            sizeof(uint32_t),
            fallback,
            nullptr,
            marksFirstRun,
            [](const Settings& s) { return static_cast<uint32_t>((s.*Get)()); },
            [](Settings& s, uint32_t v) { (s.*Set)(static_cast<Field>(v)); },
            nullptr,
            nullptr};
}

template <auto Get, auto Set>
constexpr SettingValue Flag(const char* name, int32_t fallback) {
    return NumberRow<Get, Set>(name, SettingStore::Flag, static_cast<uint32_t>(fallback));
}

// A checking period: one shorter than a minute reads as the default.
template <auto Get, auto Set, uint32_t Fallback>
constexpr SettingValue Period(const char* name) {
    SettingValue row = NumberRow<Get, Set>(name, SettingStore::Number, Fallback);
    row.setNumber = [](Settings& s, uint32_t v) { (s.*Set)(UsableCheckFreq(v, Fallback)); };
    return row;
}

template <auto Get, auto Set>
constexpr SettingValue Number(const char* name, uint32_t fallback, bool marksFirstRun = false) {
    return NumberRow<Get, Set>(name, SettingStore::Number, fallback, marksFirstRun);
}

template <auto Get, auto Set>
constexpr SettingValue Text(const char* name, std::size_t width, const char* fallback,
                            SettingStore store = SettingStore::Text) {
    return {name,
            store,
            width,
            0,
            fallback,
            false,
            nullptr,
            nullptr,
            [](const Settings& s) { return (s.*Get)(); },
            [](Settings& s, std::string_view v) { (s.*Set)(v); }};
}

template <auto Get, auto Set>
constexpr SettingValue Account(const char* name, SettingStore store = SettingStore::ShiftedText) {
    return Text<Get, Set>(name, kShortTextWidth, "", store);
}

using S = Settings;

constexpr std::array kTable{
    Account<&S::GetUsername, &S::SetUsername>("Username"),
    Account<&S::GetPassword, &S::SetPassword>("Password", SettingStore::ProtectedText),
    Account<&S::GetServer, &S::SetServer>("Server"),
    Flag<&S::GetCheckRAS, &S::SetCheckRAS>("CheckRAS", 0),
    Flag<&S::GetRASEstab, &S::SetRASEstab>("RASEstab", 1),
    Flag<&S::GetUseRAS, &S::SetUseRAS>("UseRAS", 0),
    Text<&S::GetRASEntry, &S::SetRASEntry>("RASEntry", kShortTextWidth, ""),
    Flag<&S::GetRASDisconnect, &S::SetRASDisconnect>("RASDisconnect", 1),
    Flag<&S::GetRASDisconExceptNewMail, &S::SetRASDisconExceptNewMail>("RASDisconExceptNewMail", 1),
    Flag<&S::GetRASDisconExceptExist, &S::SetRASDisconExceptExist>("RASDisconExceptExist", 1),
    Period<&S::GetCheckFreqLO, &S::SetCheckFreqLO, kDefaultCheckFreqLO>("CheckFreqLO"),
    Period<&S::GetCheckFreqHI, &S::SetCheckFreqHI, kDefaultCheckFreqHI>("CheckFreqHI"),
    Number<&S::GetCheckAutoStart, &S::SetCheckAutoStart>("CheckAutoStart", 1, /*marksFirstRun=*/true),
    Flag<&S::GetNotifPlayWav, &S::SetNotifPlayWav>("NotifPlayWav", 1),
    Text<&S::GetNotifWav, &S::SetNotifWav>("NotifWav", kLongTextWidth, kDefaultNotifWav),
    Flag<&S::GetNotifPlayAlarm, &S::SetNotifPlayAlarm>("NotifPlayAlarm", 1),
    Text<&S::GetNotifAlarmWav, &S::SetNotifAlarmWav>("NotifAlarmWav", kLongTextWidth, kDefaultNotifAlarmWav),
    Flag<&S::GetNotifShowDialog, &S::SetNotifShowDialog>("NotifShowDialog", 1),
    Flag<&S::GetLaunchMail, &S::SetLaunchMail>("LaunchMail", 0),
    // Absent in settings of earlier versions: on.
    Flag<&S::GetNotifBalloon, &S::SetNotifBalloon>("NotifBalloon", 1),
    Text<&S::GetMailProgramName, &S::SetMailProgramName>("MailProgramName", kLongTextWidth,
                                                          kDefaultMailProgramName),
    Text<&S::GetMailProgramFile, &S::SetMailProgramFile>("MailProgramFile", kLongTextWidth, ""),
    // Absent in settings of earlier versions: in the clear, on the usual port.
    Number<&S::GetSecurity, &S::SetSecurity>("Security", 0),
    Number<&S::GetServerPort, &S::SetServerPort>("Port", 0),
};

}  // namespace

void SettingValue::SetDefault(Settings& settings) const {
    if (IsText()) {
        setText(settings, defaultText);
    } else {
        setNumber(settings, defaultNumber);
    }
}

std::span<const SettingValue> SettingsTable() { return kTable; }

const SettingValue* FindSetting(std::string_view name) {
    for (const SettingValue& value : kTable) {
        if (name == value.name) return &value;
    }
    return nullptr;
}

}  // namespace mailwick
