// Rows of the mail list from a "UIDL" file written by the pop3 library: the Received and
// Date fallbacks, the field limits, and files that are missing or damaged.
#include "checker/logic/mail_row.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>
#include <vector>

#include "fixtures/temp_dir.h"
#include "pop3/stored_list.h"

namespace mailwick {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

void Add(pop3::StoredMessageList& list, const std::string& uid, int flag, int size, const Fields& fields) {
    pop3::StoredMessage& m = list.append(uid, flag);
    m.size = size;
    m.storedHeader = std::make_unique<pop3::HeaderList>();
    for (const auto& [name, value] : fields) m.storedHeader->append(pop3::HeaderField{name, value});
}

// Writes the list with the library and reads the rows back from the file.
MailRowTable RoundTrip(pop3::StoredMessageList& list, const mwtest::TempDir& dir) {
    const std::string path = dir.file("UIDL");
    EXPECT_EQ(list.saveFile(path), 1);
    return LoadMailRows(path);
}

constexpr char kReceived[] = "from a by b; Mon, 3 Nov 1997 10:05:00 +0000";
constexpr char kOtherDate[] = "Sun, 2 Nov 97 23:59:01 GMT";

TEST(MailRows, ReceivedAndDateEachGiveTheirStamp) {
    mwtest::TempDir dir;
    pop3::StoredMessageList list;
    Add(list, "a", 1, 1234,
        {{"Received", kReceived}, {"Date", kOtherDate}, {"From", "Ann <ann@example.org>"},
         {"To", "bob@example.org"}, {"Subject", "Hello"}});
    const MailRowTable rows = RoundTrip(list, dir);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].received, "171103100500");
    EXPECT_EQ(rows[0].date, "171102235901");
    EXPECT_EQ(rows[0].from, "Ann <ann@example.org>");
    EXPECT_EQ(rows[0].to, "bob@example.org");
    EXPECT_EQ(rows[0].subject, "Hello");
    EXPECT_EQ(rows[0].size, 1234);
    EXPECT_EQ(rows[0].isNew, 1);
}

TEST(MailRows, EachDateFieldFallsBackOnTheOther) {
    mwtest::TempDir dir;
    pop3::StoredMessageList list;
    Add(list, "no-received", 0, 1, {{"Date", kOtherDate}});
    Add(list, "no-date", 0, 2, {{"Received", kReceived}});
    // A Received header without ';' counts as absent for the stamp.
    Add(list, "received-without-semicolon", 0, 3, {{"Received", "from a by b"}, {"Date", kOtherDate}});
    Add(list, "neither", 0, 4, {{"Received", "from a by b"}, {"Subject", "x"}});
    Add(list, "no-header-fields", 0, 5, {});
    const MailRowTable rows = RoundTrip(list, dir);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].received, "171102235901");
    EXPECT_EQ(rows[0].date, "171102235901");
    EXPECT_EQ(rows[1].received, "171103100500");
    EXPECT_EQ(rows[1].date, "171103100500");
    EXPECT_EQ(rows[2].received, "171102235901");
    EXPECT_EQ(rows[2].date, "171102235901");
    for (int i : {3, 4}) {
        EXPECT_EQ(rows[i].received, "") << i;
        EXPECT_EQ(rows[i].date, "") << i;
        EXPECT_EQ(rows[i].from, "") << i;
        EXPECT_EQ(rows[i].to, "") << i;
    }
    EXPECT_EQ(rows[3].subject, "x");
}

TEST(MailRows, FirstFieldOfANameCountsWhateverItsCase) {
    mwtest::TempDir dir;
    pop3::StoredMessageList list;
    Add(list, "a", 0, 1,
        {{"RECEIVED", "by c; Tue, 4 Nov 1997 08:00:00 +0000"}, {"Received", kReceived},
         {"date", kOtherDate}, {"subject", "first"}, {"Subject", "second"}});
    const MailRowTable rows = RoundTrip(list, dir);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].received, "171104080000");  // the last hop, at the top
    EXPECT_EQ(rows[0].date, "171102235901");
    EXPECT_EQ(rows[0].subject, "first");
}

TEST(MailRows, TextsAreCutToTheirFieldWidth) {
    mwtest::TempDir dir;
    pop3::StoredMessageList list;
    const std::string longSubject(600, 's');
    Add(list, "a", 0, 1, {{"Subject", longSubject}, {"From", std::string(249, 'f')}});
    const MailRowTable rows = RoundTrip(list, dir);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].subject, std::string(249, 's'));
    EXPECT_EQ(rows[0].from, std::string(249, 'f'));
}

TEST(MailRows, OneRowPerEntryInStoredOrder) {
    mwtest::TempDir dir;
    pop3::StoredMessageList list;
    for (int i = 0; i < 50; ++i) Add(list, "uid" + std::to_string(i), i % 3 == 0, 100 + i, {{"Subject", std::to_string(i)}});
    const MailRowTable rows = RoundTrip(list, dir);
    ASSERT_EQ(rows.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(rows[i].subject, std::to_string(i));
        EXPECT_EQ(rows[i].size, 100 + i);
        EXPECT_EQ(rows[i].isNew, i % 3 == 0 ? 1 : 0);
    }
}

TEST(MailRows, MissingFileGivesNoRows) {
    mwtest::TempDir dir;
    EXPECT_TRUE(LoadMailRows(dir.file("UIDL")).empty());
}

TEST(MailRows, DamagedFileKeepsTheRowsBeforeTheDamage) {
    mwtest::TempDir dir;
    pop3::StoredMessageList list;
    Add(list, "a", 0, 1, {{"Subject", "kept"}});
    Add(list, "b", 0, 2, {{"Subject", "lost"}});
    const std::string path = dir.file("UIDL");
    ASSERT_EQ(list.saveFile(path), 1);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 3);
    const MailRowTable rows = LoadMailRows(path);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].subject, "kept");
}

}  // namespace
}  // namespace mailwick
