#include "checker/logic/check_logic.h"

#include <cstdio>

#include "checker/texts.h"
#include "pop3/pop3_session.h"

namespace mailwick {

std::string StatusTimeText(const std::tm& localNow) {
    char buffer[26] = {};
    if (std::strftime(buffer, sizeof buffer, "%a %b %d, %Y %H:%M", &localNow) == 0) {
        buffer[0] = '\0';
    }
    return buffer;
}

std::string ScanStatusText(int newCount, int messageCount, const std::tm& localNow) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, kNewItemsFormat, newCount, newCount == 1 ? "" : "s",
                  messageCount, StatusTimeText(localNow).c_str());
    return buffer;
}

std::string ConnectFailedStatusText(const std::tm& localNow) {
    return StatusTimeText(localNow) + kUnableToConnectStatus;
}

std::string SecureFailedStatusText(pop3::TlsFailure failure, const std::tm& localNow) {
    const char* reason = kSecureFailedStatus;
    switch (failure) {
        case pop3::TlsFailure::Untrusted: reason = kUntrustedStatus; break;
        case pop3::TlsFailure::NameMismatch: reason = kNameMismatchStatus; break;
        case pop3::TlsFailure::Expired: reason = kExpiredStatus; break;
        case pop3::TlsFailure::NoStls: reason = kNoStlsStatus; break;
        default: break;
    }
    return StatusTimeText(localNow) + reason;
}

int ServerPort(int32_t security, uint32_t storedPort) {
    if (storedPort == 0 || storedPort > 65535) return pop3::DefaultPort(security);
    return static_cast<int>(storedPort);
}

std::string SaveFailedStatusText(const std::tm& localNow) {
    return StatusTimeText(localNow) + kUnableToSaveStatus;
}

std::uint32_t ElapsedSinceLastCheckMs(std::int64_t nowSeconds, std::int64_t lastCheckSeconds) {
    const auto seconds = static_cast<std::uint32_t>(nowSeconds - lastCheckSeconds);
    return seconds * 1000u;
}

std::uint32_t FirstTimerPeriodMs(std::uint32_t elapsedMs, std::uint32_t periodMs) {
    return elapsedMs > periodMs ? kOverdueFirstPeriodMs : periodMs - elapsedMs;
}

bool ShouldHangUpAfterCheck(const HangUpInputs& in) {
    if (in.useRas != 1 || in.rasDisconnect != 1) return false;
    if (in.wasConnected == 1 && in.rasDisconExceptExist == 1) return false;
    if (in.newCount > 0 && in.rasDisconExceptNewMail == 1) return false;
    return true;
}

bool ShouldHangUpOnLater(int useRas, int rasDisconnect, int dialupWasUp, int rasDisconExceptExist) {
    return useRas == 1 && rasDisconnect == 1 && !(dialupWasUp == 1 && rasDisconExceptExist == 1);
}

}  // namespace mailwick
