// The texts of the tray balloon that announces new mail.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace mailwick {

// The shell's fields, terminators included.
inline constexpr std::size_t kBalloonTitleWidth = 64;
inline constexpr std::size_t kBalloonTextWidth = 256;
// Messages the balloon names; the rest are counted.
inline constexpr std::size_t kBalloonMessages = 3;

struct BalloonMessage {
    std::string sender;
    std::string subject;
};

struct BalloonTexts {
    std::string title;
    std::string text;
};

// "N new messages" ("1 new message"); one line "Sender - Subject" for each of up to three
// of `newest` (newest first) and "and N more" for the rest of `newCount`. The lines are
// cut so that the whole text fits the shell's field and the count line is never lost.
BalloonTexts NewMailBalloon(int newCount, const std::vector<BalloonMessage>& newest);

}  // namespace mailwick
