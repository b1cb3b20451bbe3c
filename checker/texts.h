// Every text the checker shows the user, together: message boxes, status texts and the
// Startup shortcut's texts. Plain constants, so the portable logic can use them too.
#pragma once

#include "common/version.h"

namespace mailwick {

// The caption of the checker's message boxes.
inline constexpr char kMessageCaption[] = MW_PRODUCT_NAME;

// Message boxes.
inline constexpr char kAlreadyRunningText[] =
    "You are already running Mailwick and can not have more than one instance running!";
inline constexpr char kLaunchFailedFormat[] = "Failed to launch mail program '%s' [reason = %d]";
inline constexpr char kNoRasEnumEntriesText[] = "Failed to locate RasEnumEntriesA";
inline constexpr char kShortcutCreatedText[] = "A shortcut to Mailwick has been placed in your Startup folder.";
inline constexpr char kShortcutFailedText[] = "Unable to create shortcut in Startup folder";

// The shortcut's description.
inline constexpr char kShortcutDescription[] = "Shortcut to Mailwick";

// Status texts (the tray tip and the list window's status bar).
inline constexpr char kAccountInvalidStatus[] = "Account details not valid";
inline constexpr char kCheckingStatus[] = "Checking server for mail...";
inline constexpr char kDialingStatus[] = "Establishing DUN connection...";
inline constexpr char kDialFailedStatus[] = "Failed to establish DUN connection";
inline constexpr char kHangingUpStatus[] = "Disconnecting DUN connection";
inline constexpr char kClosingStatus[] = "Trying to close connection gracefully...";
inline constexpr char kNewItemsFormat[] = "%d new item%s (%d) %s";
inline constexpr char kUnableToConnectStatus[] = " : Unable to connect to server";
inline constexpr char kUnableToSaveStatus[] = " : Unable to save the message list";
// Why a secure connection failed.
inline constexpr char kSecureFailedStatus[] = " : Secure connection failed";
inline constexpr char kUntrustedStatus[] = " : Certificate not trusted";
inline constexpr char kNameMismatchStatus[] = " : Certificate name mismatch";
inline constexpr char kExpiredStatus[] = " : Certificate expired";
inline constexpr char kNoStlsStatus[] = " : Server has no STLS";

// A new message's sender when it has no From line.
inline constexpr char kUnknownSender[] = "<unknown>";

}  // namespace mailwick
