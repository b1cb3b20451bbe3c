#include "checker/logic/balloon_text.h"

#include <algorithm>

namespace mailwick {

BalloonTexts NewMailBalloon(int newCount, const std::vector<BalloonMessage>& newest) {
    BalloonTexts texts;
    texts.title = std::to_string(newCount) + (newCount == 1 ? " new message" : " new messages");
    texts.title.resize(std::min(texts.title.size(), kBalloonTitleWidth - 1));

    const std::size_t shown = std::min({newest.size(), kBalloonMessages, static_cast<std::size_t>(std::max(newCount, 0))});
    std::string more;
    if (static_cast<std::size_t>(std::max(newCount, 0)) > shown) {
        more = "and " + std::to_string(newCount - static_cast<int>(shown)) + " more";
    }
    // Each message line gets an equal share of what the count line leaves; a short line
    // passes its unused share on to the next.
    std::size_t room = kBalloonTextWidth - 1 - (more.empty() ? 0 : more.size() + (shown ? 1 : 0));
    for (std::size_t i = 0; i < shown; ++i) {
        std::string line = newest[i].sender + " - " + newest[i].subject;
        // Control characters would break the lines apart.
        std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
        const std::size_t separator = i > 0 ? 1 : 0;
        const std::size_t share = room / (shown - i);
        if (share <= separator) break;
        line.resize(std::min(line.size(), share - separator));
        if (separator) texts.text += '\n';
        texts.text += line;
        room -= separator + line.size();
    }
    if (!more.empty()) texts.text += (texts.text.empty() ? "" : "\n") + more;
    return texts;
}

}  // namespace mailwick
