// The installer's file list: how its lines are read and what the copy does with them,
// against real files in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/fill_text.h"
#include "fixtures/temp_dir.h"
#include "setup/file_list.h"
#include "setup/setup_texts.h"

namespace mailwick {
namespace {

namespace fs = std::filesystem;

// A name with a '%' in it must reach the message as it is, not be read as a format.
TEST(FillText, PutsTheValuesInOrderAndReadsNothingInThem) {
    EXPECT_EQ(FillText("copy '%s' to '%s'", {"a%s%d.exe", "C:\\x"}), "copy 'a%s%d.exe' to 'C:\\x'");
    EXPECT_EQ(FillText("%s%s.", {"", "b"}), "b.");
    EXPECT_EQ(FillText("left %s and %s", {"one"}), "left one and %s");
}

class FileListCopy : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(source_.path());
        fs::create_directories(install_.path());
        actions_.copyFile = [this](const std::string& source, const std::string& destination) {
            copies_.push_back(destination);
            // The copy runs in the folder that holds the list; the destination uses the
            // installer's backslash.
            std::string target = destination;
            std::replace(target.begin(), target.end(), '\\', '/');
            std::error_code ec;
            return !source.empty() &&
                   fs::copy_file(source_.path() / source, target, fs::copy_options::overwrite_existing, ec);
        };
        actions_.report = [this](const std::string& message) { reports_.push_back(message); };
    }

    void WriteSource(const std::string& name, const std::string& contents) {
        std::ofstream(source_.file(name), std::ios::binary) << contents;
    }
    int Copy(const std::string& list) {
        WriteSource("setup.lst", list);
        return CopyListedFiles(source_.file("setup.lst"), Dest(), actions_);
    }
    std::string Dest() const { return install_.path().string(); }
    std::vector<std::string> Installed() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(install_.path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    mwtest::TempDir source_, install_;
    CopyActions actions_;
    std::vector<std::string> copies_, reports_;
};

TEST(FileListLines, LineEndsAndCtrlZ) {
    const std::vector<std::string> ab{"a.exe", "b.txt"};
    EXPECT_EQ(SplitFileList("a.exe\nb.txt\n"), ab);
    EXPECT_EQ(SplitFileList("a.exe\nb.txt"), ab);
    EXPECT_EQ(SplitFileList("a.exe\r\nb.txt\r\n"), ab);
    EXPECT_EQ(SplitFileList("a.exe\nb.txt\n\x1a" "c.wav\n"), ab);
    EXPECT_EQ(SplitFileList("a.exe\nb.txt\x1a\n"), ab);
    // Blanks are part of the name; an empty line is a line.
    EXPECT_EQ(SplitFileList(" a.exe\n\nb.txt \n"), (std::vector<std::string>{" a.exe", "", "b.txt "}));
    EXPECT_TRUE(SplitFileList("").empty());
    EXPECT_TRUE(SplitFileList("\x1a" "a.exe\n").empty());
}

TEST_F(FileListCopy, EveryListedFileIsCopiedAndReplaced) {
    WriteSource("mailwick.exe", "new program");
    WriteSource("license.txt", "terms");
    std::ofstream(install_.file("mailwick.exe")) << "old program";
    EXPECT_EQ(Copy("mailwick.exe\r\nlicense.txt"), 1);
    EXPECT_EQ(Installed(), (std::vector<std::string>{"license.txt", "mailwick.exe"}));
    std::ifstream in(install_.file("mailwick.exe"));
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "new program");
    EXPECT_EQ(copies_, (std::vector<std::string>{Dest() + "\\mailwick.exe", Dest() + "\\license.txt"}));
    EXPECT_TRUE(reports_.empty());
}

TEST_F(FileListCopy, EmptyListCopiesNothingAndSucceeds) {
    EXPECT_EQ(Copy(""), 1);
    EXPECT_TRUE(copies_.empty());
    EXPECT_TRUE(reports_.empty());
}

TEST_F(FileListCopy, MissingListIsReported) {
    EXPECT_EQ(CopyListedFiles(source_.file("none.lst"), Dest(), actions_), 0);
    EXPECT_EQ(reports_, std::vector<std::string>{kNoFileListText});
}

TEST_F(FileListCopy, MissingFileStopsAtItsLineKeepingEarlierCopies) {
    WriteSource("a.exe", "a");
    WriteSource("c.exe", "c");
    EXPECT_EQ(Copy("a.exe\nb.exe\nc.exe\n"), 0);
    EXPECT_EQ(Installed(), std::vector<std::string>{"a.exe"});
    EXPECT_EQ(reports_, std::vector<std::string>{FillText(kCopyFileFailedFormat, {"b.exe", Dest() + "\\b.exe"})});
}

TEST_F(FileListCopy, BlankLineNamesAnEmptySource) {
    WriteSource("a.exe", "a");
    EXPECT_EQ(Copy("a.exe\n\nc.exe\n"), 0);
    EXPECT_EQ(Installed(), std::vector<std::string>{"a.exe"});
    EXPECT_EQ(reports_, std::vector<std::string>{FillText(kCopyFileFailedFormat, {"", Dest() + "\\"})});
}

TEST_F(FileListCopy, OverLongNamesAreRefusedBeforeCopying) {
    // The longest name that still fits the installer's buffers is copied.
    const std::string longest(kMaxListPath - Dest().size() - 1, 'n');
    WriteSource("a.exe", "a");
    WriteSource(longest, "fits");
    EXPECT_EQ(Copy("a.exe\n" + longest + "\n"), 1);

    // One more character in the destination path stops the copy there.
    const std::string tooLong = longest + "x";
    WriteSource(tooLong, "too long");
    WriteSource("z.exe", "z");
    copies_.clear();
    EXPECT_EQ(Copy(tooLong + "\nz.exe\n"), 0);
    EXPECT_TRUE(copies_.empty());
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find(Dest() + "\\" + tooLong), std::string::npos) << reports_[0];

    // A line longer than 99 characters is refused by itself, whatever the folder.
    const std::string line(kMaxListPath + 1, 'L');
    reports_.clear();
    EXPECT_EQ(CopyListedFiles((WriteSource("setup.lst", line + "\n"), source_.file("setup.lst")), "C:", actions_), 0);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].find("'" + line + "'"), std::string::npos) << reports_[0];
    EXPECT_TRUE(copies_.empty());
}

// The elevated installer must not be led to write outside its folder or read from
// another place than its own.
TEST_F(FileListCopy, OnlyBareFileNamesAreCopied) {
    WriteSource("a.exe", "a");
    for (const std::string name : {"..\\evil.dll", "sub/x.dll", "C:x.dll", "\\\\host\\x", "..", "a..b"}) {
        reports_.clear();
        copies_.clear();
        EXPECT_EQ(Copy("a.exe\n" + name + "\n"), 0) << name;
        EXPECT_EQ(copies_.size(), 1u) << name << ": stops before copying it";
        ASSERT_EQ(reports_.size(), 1u) << name;
        EXPECT_NE(reports_[0].find("'" + name + "'"), std::string::npos) << reports_[0];
    }
    reports_.clear();
    EXPECT_EQ(Copy("a.exe\n"), 1) << "a plain name with a dot passes";
}

}  // namespace
}  // namespace mailwick
