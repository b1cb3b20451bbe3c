// The checker's files on a start-up folder that cannot be written, and after the current
// directory moved: checks against Dovecot, as the tray's Check Now runs them.
#include "win/checker_flow_fixture.h"

#include <regex>

#include "checker/checker_files.h"
#include "checker/debug_log.h"
#include "common/registry.h"

namespace mailwick {
namespace {

using namespace std::chrono_literals;

std::string g_userDir;  // stands in for the user's local application data folder
bool ReadOnly(const std::string&) { return false; }
std::string UserDir() { return g_userDir; }

class CheckerFiles : public CheckerFlow {
protected:
    void SetUp() override {
        CheckerFlow::SetUp();
        g_userDir = (user_.path() / "Mailwick").string();
    }
    void TearDown() override {
        CheckerFlow::TearDown();
        UnfixCheckerFiles();
    }
    // A start from the scratch folder as if it could not be written.
    static void StartReadOnly() { FixCheckerFiles({&ReadOnly, &UserDir}); }

    // The new and total counts of the last finished check.
    std::pair<int, int> Check() {
        CheckNow();
        EXPECT_TRUE(WaitIdle(30s));
        static const std::regex counts(R"((\d+) new items? \((\d+)\) .*)");
        std::smatch m;
        const std::string status = StatusText();
        if (!std::regex_match(status, m, counts)) {
            ADD_FAILURE() << status;
            return {-1, -1};
        }
        return {std::stoi(m[1]), std::stoi(m[2])};
    }
    void DeliverSome(int count) {
        for (int i = 0; i < count; ++i) Deliver("Ann <ann@example.org>", "note " + std::to_string(i));
    }

    mwtest::TempDir user_, elsewhere_;
};

using Counts = std::pair<int, int>;

TEST_F(CheckerFiles, AnUnwritableStartFolderKeepsTheListAndTheLogInTheUserFolder) {
    StartReadOnly();
    DeliverSome(3);
    EXPECT_EQ(Check(), Counts(3, 3));
    EXPECT_EQ(Check(), Counts(0, 3));
    StartReadOnly();  // the next start
    EXPECT_EQ(Check(), Counts(0, 3));
    EXPECT_TRUE(mwtest::FileExists(g_userDir + "\\UIDL"));
    EXPECT_FALSE(mwtest::FileExists(dir_ + "\\UIDL"));

    mwtest::SetRegDword("DebugLevel", 1);
    InitDebugLog(kSettingsKeyPath);
    g_process.debugLog.close();
    EXPECT_TRUE(mwtest::FileExists(g_userDir + "\\test.log"));
    EXPECT_FALSE(mwtest::FileExists(dir_ + "\\test.log"));
}

TEST_F(CheckerFiles, TheListLeftInTheStartFolderIsTakenOverOnce) {
    FixCheckerFiles();  // the scratch folder can be written: the list is kept there
    DeliverSome(2);
    EXPECT_EQ(Check(), Counts(2, 2));
    ASSERT_TRUE(mwtest::FileExists(dir_ + "\\UIDL"));

    StartReadOnly();
    EXPECT_EQ(Check(), Counts(0, 2)) << "the two are not announced again";
    DeliverSome(1);
    EXPECT_EQ(Check(), Counts(1, 3));
    StartReadOnly();  // the old list must not replace the newer one
    EXPECT_EQ(Check(), Counts(0, 3));
}

TEST_F(CheckerFiles, ACurrentDirectoryMovedAfterStartUpFindsTheSameList) {
    FixCheckerFiles();
    DeliverSome(3);
    EXPECT_EQ(Check(), Counts(3, 3));
    // What a file dialog without OFN_NOCHANGEDIR does.
    SetCurrentDirectoryA(elsewhere_.str().c_str());
    EXPECT_EQ(Check(), Counts(0, 3));
    EXPECT_TRUE(mwtest::ListDirectory(elsewhere_.str()).empty());
}

}  // namespace
}  // namespace mailwick
