// The new-mail balloon's texts: the count, the named messages, and the cut to the
// shell's field.
#include <gtest/gtest.h>

#include "checker/logic/balloon_text.h"

namespace mailwick {
namespace {

TEST(BalloonText, CountsNamesUpToThreeAndCountsTheRest) {
    const std::vector<BalloonMessage> mail{{"Ann", "Hello"}, {"Bob", "Re: lunch"}, {"Cy", "x"}, {"Di", "y"}};
    EXPECT_EQ(NewMailBalloon(1, {mail[0]}).title, "1 new message");
    EXPECT_EQ(NewMailBalloon(1, {mail[0]}).text, "Ann - Hello");
    const BalloonTexts five = NewMailBalloon(5, mail);
    EXPECT_EQ(five.title, "5 new messages");
    EXPECT_EQ(five.text, "Ann - Hello\nBob - Re: lunch\nCy - x\nand 2 more");
    // Headers that could not be read still count.
    EXPECT_EQ(NewMailBalloon(2, {}).text, "and 2 more");
}

TEST(BalloonText, LongLinesAreCutSoTheCountLineStays) {
    const std::string longSubject(400, 's');
    const std::vector<BalloonMessage> mail{{"Ann", longSubject}, {"Bob", "short"}, {"Cy", longSubject}};
    const BalloonTexts texts = NewMailBalloon(10, mail);
    EXPECT_LE(texts.text.size(), kBalloonTextWidth - 1);
    EXPECT_EQ(texts.text.substr(texts.text.size() - 11), "\nand 7 more");
    EXPECT_NE(texts.text.find("\nBob - short\nCy - sss"), std::string::npos) << texts.text;
    EXPECT_EQ(NewMailBalloon(1, {{"Ann", "a\r\nb"}}).text, "Ann - a  b");
}

}  // namespace
}  // namespace mailwick
