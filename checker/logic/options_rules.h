// The options sheet's rules that need no window: the interval edits' minutes, the order
// of the Checking page's refusals, and which dial-up controls are usable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mailwick {

inline constexpr uint32_t kMsPerMinute = 60'000;
// The most minutes whose milliseconds still fit in 32 bits.
inline constexpr uint32_t kMaxIntervalMinutes = UINT32_MAX / kMsPerMinute;  // 71,582
inline constexpr uint32_t kMinOnlineMs = 300'000;

// An interval edit's text: whole minutes; empty or not a number counts as 0. `fits` is
// false for a number beyond kMaxIntervalMinutes, however many digits it has.
struct IntervalReading {
    bool fits = true;
    uint32_t ms = 0;
};
IntervalReading ReadIntervalMinutes(std::string_view text);

// What the edit shows for a period: its whole minutes, unsigned.
std::string IntervalMinutesText(uint32_t ms);

enum class IntervalVerdict { Accepted, TooLarge, OfflineNotGreater, OnlineTooShort };
// The Checking page's tests in the order the user meets them. The offline interval is
// compared with the online one only when it is in use (dial-up chosen): without dial-up
// its edit is greyed, and its default of 60 minutes must not cap the online interval.
IntervalVerdict JudgeIntervals(const IntervalReading& offline, const IntervalReading& online, bool offlineInUse);

// Which controls of the Connection page are enabled for the current check marks.
struct DialupEnables {
    bool entry = false;         // 508 and its label 525
    bool existingOnly = false;  // 509
    bool establish = false;     // 530
    bool disconnect = false;    // 510
    bool keepIfNewMail = false; // 526
};
DialupEnables DialupEnablesFor(bool useDialup, bool existingOnly, bool disconnect);

}  // namespace mailwick
