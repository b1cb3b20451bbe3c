// When the list left in the start-up folder is taken over, and names made full paths.
// (Which folder is chosen is tested with the check, under Wine.)
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "checker/logic/file_places.h"

namespace mailwick {
namespace {

const std::string kProgramDir = "C:\\Program Files\\Mailwick";
const std::string kUserDir = "C:\\Users\\u\\AppData\\Local\\Mailwick";

TEST(FilePlaces, TheOldListIsTakenOverOnlyWhileTheUserFolderHasNone) {
    const FilePlaces moved{kProgramDir, kUserDir};
    std::set<std::string> files{kProgramDir + "\\UIDL"};
    const auto exists = [&](const std::string& f) { return files.count(f) > 0; };
    EXPECT_TRUE(TakesOverOldList(moved, "UIDL", exists));
    files.insert(kUserDir + "\\UIDL");
    EXPECT_FALSE(TakesOverOldList(moved, "UIDL", exists)) << "a later start keeps its own list";
    files.clear();
    EXPECT_FALSE(TakesOverOldList(moved, "UIDL", exists));
    files.insert(kProgramDir + "\\UIDL");
    EXPECT_FALSE(TakesOverOldList({kProgramDir, kProgramDir}, "UIDL", exists));
}

TEST(FilePlaces, NamesBecomeFullPathsInTheirFolderAndFullPathsStay) {
    struct Case {
        std::string dir, name, path;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"C:\\dir", "newmail.wav", "C:\\dir\\newmail.wav"},
             {"C:\\", "UIDL", "C:\\UIDL"},
             {"C:\\dir", "D:\\sounds\\ding.wav", "D:\\sounds\\ding.wav"},
             {"C:\\dir", "\\\\server\\share\\ding.wav", "\\\\server\\share\\ding.wav"},
             {"C:\\dir", "\\ding.wav", "\\ding.wav"},
             {"C:\\dir", "", ""},
             {"", "UIDL", "UIDL"},  // not fixed yet: the bare name
         })
        EXPECT_EQ(PathIn(c.dir, c.name), c.path) << c.dir << " + " << c.name;
}

}  // namespace
}  // namespace mailwick
