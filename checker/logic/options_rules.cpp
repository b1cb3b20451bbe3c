#include "checker/logic/options_rules.h"

namespace mailwick {

IntervalReading ReadIntervalMinutes(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    uint64_t minutes = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return {};
        // Saturate so twenty digits cannot wrap back below the limit.
        if (minutes <= kMaxIntervalMinutes) minutes = minutes * 10 + static_cast<uint64_t>(c - '0');
    }
    if (minutes > kMaxIntervalMinutes) return {false, 0};
    return {true, static_cast<uint32_t>(minutes) * kMsPerMinute};
}

std::string IntervalMinutesText(uint32_t ms) { return std::to_string(ms / kMsPerMinute); }

IntervalVerdict JudgeIntervals(const IntervalReading& offline, const IntervalReading& online, bool offlineInUse) {
    if (!offline.fits || !online.fits) return IntervalVerdict::TooLarge;
    if (offlineInUse && offline.ms <= online.ms) return IntervalVerdict::OfflineNotGreater;
    if (online.ms < kMinOnlineMs) return IntervalVerdict::OnlineTooShort;
    return IntervalVerdict::Accepted;
}

DialupEnables DialupEnablesFor(bool useDialup, bool existingOnly, bool disconnect) {
    DialupEnables e;
    if (!useDialup) return e;
    e.entry = true;
    e.existingOnly = true;
    e.establish = !existingOnly;
    e.disconnect = !existingOnly;
    e.keepIfNewMail = disconnect && !existingOnly;
    return e;
}

}  // namespace mailwick
