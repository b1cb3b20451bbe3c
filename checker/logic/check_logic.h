// Decisions of the check cycle and the check timers that need no window or socket.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "pop3/tls_channel.h"

namespace mailwick {

// "2 new items (14) Sun Dec 07, 1997 09:05": the status of a finished scan.
std::string ScanStatusText(int newCount, int messageCount, const std::tm& localNow);
// "Sun Dec 07, 1997 09:05 : Unable to connect to server".
std::string ConnectFailedStatusText(const std::tm& localNow);
// "Sun Dec 07, 1997 09:05 : Certificate not trusted": why a secure connection could not
// be made, as precisely as it is known.
std::string SecureFailedStatusText(pop3::TlsFailure failure, const std::tm& localNow);
// The port a check dials: the stored one, or the usual one of the security mode when none
// (or no valid port) is stored.
int ServerPort(int32_t security, uint32_t storedPort);
// "Sun Dec 07, 1997 09:05 : Unable to save the message list": the stored list could be
// neither replaced nor rewritten, so its mail will be announced again.
std::string SaveFailedStatusText(const std::tm& localNow);
// The "%a %b %d, %Y %H:%M" stamp of both texts, cut to fit its 26-character buffer.
std::string StatusTimeText(const std::tm& localNow);

// Milliseconds since the last check as an unsigned 32-bit number, so a last check in
// the future counts as long overdue.
std::uint32_t ElapsedSinceLastCheckMs(std::int64_t nowSeconds, std::int64_t lastCheckSeconds);

// First period of a check timer when checking mode starts: one minute when the check is
// overdue, else what is left of the period.
inline constexpr std::uint32_t kOverdueFirstPeriodMs = 60'000;
std::uint32_t FirstTimerPeriodMs(std::uint32_t elapsedMs, std::uint32_t periodMs);

// Whether the hang-up stage hangs the dial-up connection up after a check.
struct HangUpInputs {
    int useRas = 0;
    int rasDisconnect = 0;
    int rasDisconExceptExist = 0;
    int rasDisconExceptNewMail = 0;
    int wasConnected = 0;
    int newCount = 0;
};
bool ShouldHangUpAfterCheck(const HangUpInputs& in);

// Whether the NEWMAIL dialog's Later button hangs the connection up.
bool ShouldHangUpOnLater(int useRas, int rasDisconnect, int dialupWasUp, int rasDisconExceptExist);

}  // namespace mailwick
