// The options pages' own texts: the captions and texts of the messages that refuse a value.
#pragma once

namespace mailwick {

inline constexpr char kAccountPageCaption[] = "Mailwick - Options - Account";
inline constexpr char kPortRangeText[] = "Please enter a port between 1 and 65535.";

inline constexpr char kCheckingPageCaption[] = "Mailwick - Options - Checking";
inline constexpr char kIntervalTooLargeText[] = "Please enter a checking time of 71582 minutes or less.";
inline constexpr char kOfflineNotLongerText[] = "Offline checking time should be greater than online checking time.";
inline constexpr char kOnlineTooShortText[] = "Please enter an online time of 5 minutes or greater.";

inline constexpr char kConnectionPageCaption[] = "Mailwick - Options - Connection";
inline constexpr char kNoDialupEntryText[] = "Please select a connection entry for Dial-Up Networking.";

inline constexpr char kNotificationsPageCaption[] = "Mailwick - Options - Notifications";
inline constexpr char kSoundPathTooLongText[] =
    "The path of this sound file is longer than 249 characters. Please choose a file with a shorter path.";

}  // namespace mailwick
