// Where the checker's files go when the folder it was started from cannot be written, and
// names that stay put once made full paths.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "checker/logic/file_places.h"

namespace mailwick {
namespace {

const std::string kProgramDir = "C:\\Program Files\\Mailwick";
const std::string kUserDir = "C:\\Users\\u\\AppData\\Local\\Mailwick";

TEST(FilePlaces, OnlyAnUnwritableStartFolderSendsTheDataToTheUserFolder) {
    const auto writable = [](const std::string&) { return true; };
    const auto readOnly = [](const std::string&) { return false; };
    EXPECT_EQ(ChooseFilePlaces(kProgramDir, kUserDir, writable).dataDir, kProgramDir);
    const FilePlaces moved = ChooseFilePlaces(kProgramDir, kUserDir, readOnly);
    EXPECT_EQ(moved.dataDir, kUserDir);
    EXPECT_EQ(moved.startDir, kProgramDir) << "the shipped files stay where they were installed";
    EXPECT_EQ(ChooseFilePlaces(kProgramDir, "", readOnly).dataDir, kProgramDir) << "a shell without the folder";
}

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
