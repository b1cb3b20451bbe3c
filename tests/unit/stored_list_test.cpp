// The stored message list: the "UIDL" file layout, its list operations, damaged files and
// the all-or-nothing save. Built natively and for Windows (run under Wine).
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "fixtures/temp_dir.h"
#include "pop3/stored_list.h"
#include "pop3/wire_format.h"

namespace pop3 {
namespace {

namespace fs = std::filesystem;

using mwtest::TempDir;

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

HeaderList headerOf(std::vector<std::pair<std::string, std::string>> fields) {
    HeaderList h;
    for (auto& [n, v] : fields) h.append(HeaderField{n, v});
    return h;
}

struct Row {
    std::string uid;
    int flag;
    int size;
    std::vector<std::pair<std::string, std::string>> fields;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    os << "{" << r.uid << " flag " << r.flag << " size " << r.size;
    for (auto& [n, v] : r.fields) os << " [" << n << ": " << v << "]";
    return os << "}";
}

std::vector<Row> rows(const StoredMessageList& list) {
    std::vector<Row> out;
    for (const StoredMessage& e : list) {
        Row r{e.uid, e.newFlag, e.size, {}};
        if (const HeaderList* h = e.header())
            for (const auto& f : h->fields()) r.fields.emplace_back(f.name, f.value);
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<Row> load(std::string_view bytes) {
    StoredMessageList list;
    list.loadStoredBytes(bytes);
    return rows(list);
}

// Writes a list the way the file layout reads: count, then each record.
std::string fileOf(std::int32_t count, const std::vector<Row>& records) {
    std::string out;
    wire::putInt(out, count);
    for (const Row& r : records) {
        wire::putText(out, r.uid);
        wire::putInt(out, r.flag);
        wire::putInt(out, r.size);
        wire::putInt(out, std::int32_t(r.fields.size()));
        for (auto& [n, v] : r.fields) {
            wire::putText(out, n);
            wire::putText(out, v);
        }
    }
    return out;
}

const std::vector<Row> kThree = {
    {"00000001a", 0, 1200, {{"Received", "r1"}, {"From", "Ann <ann@example.org>"}}},
    {"00000002b", 1, 70000, {{"SUBJECT", "Hello: world"}, {"received", "r2"}, {"Received", "r3"}}},
    {"3 512", 1, 512, {}},
};

TEST(StoredListFile, GoldenBytesOfASmallList) {
    StoredMessageList list;
    HeaderList first = headerOf({{"From", "x"}});
    StoredMessage& a = list.append("a1", 0);
    a.size = 300;
    a.newHeader = &first;
    list.append("b", 1).size = -1;  // no header at all: written with no fields

    std::ostringstream out;
    list.saveStoredList(out);
    const unsigned char expected[] = {
        2, 0, 0, 0,                                  // entryCount
        2, 0, 0, 0, 'a', '1',                        // idLength, id
        0, 0, 0, 0,                                  // newFlag
        0x2c, 0x01, 0, 0,                            // size 300
        1, 0, 0, 0,                                  // fieldCount
        4, 0, 0, 0, 'F', 'r', 'o', 'm', 1, 0, 0, 0, 'x',
        1, 0, 0, 0, 'b',                             //
        1, 0, 0, 0,                                  // newFlag
        0xff, 0xff, 0xff, 0xff,                      // size -1
        0, 0, 0, 0,                                  // fieldCount
    };
    EXPECT_EQ(out.str(), std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    EXPECT_EQ(list.storedBytes(), out.str());
}

TEST(StoredListFile, RoundTripKeepsIdsFlagsSizesAndFieldsInOrder) {
    std::string bytes = fileOf(3, kThree);
    StoredMessageList list;
    std::istringstream in(bytes);
    list.loadStoredList(in);
    EXPECT_EQ(list.storedBytes(), bytes);  // written back before any field was looked at
    EXPECT_EQ(rows(list), kThree);
    EXPECT_EQ(list.storedBytes(), bytes);
    for (const StoredMessage& e : list) {
        EXPECT_NE(e.storedHeader, nullptr);  // loaded entries own their headers
        EXPECT_EQ(e.newHeader, nullptr);
    }
}

TEST(StoredListFile, ValuesWithBlanksAroundAreTrimmedOnLoadAndWrittenTrimmed) {
    std::vector<Row> padded = kThree;
    padded[1].fields[0].second = "  Hello: world\t";
    StoredMessageList list;
    list.loadStoredBytes(fileOf(3, padded));
    EXPECT_EQ(list.storedBytes(), fileOf(3, kThree));
    EXPECT_EQ(rows(list), kThree);
}

TEST(StoredListFile, EmptyOrNegativeCountOrShortFileLoadsNothing) {
    EXPECT_TRUE(load("").empty());
    EXPECT_TRUE(load(std::string("\x01\x00\x00", 3)).empty());
    EXPECT_TRUE(load(fileOf(0, kThree)).empty());
    EXPECT_TRUE(load(fileOf(-1, kThree)).empty());

    StoredMessageList empty;
    EXPECT_EQ(empty.storedBytes(), std::string(4, '\0'));
}

TEST(StoredListFile, TruncatedFileKeepsTheWholeRecordsBeforeTheCut) {
    std::string bytes = fileOf(3, kThree);
    std::vector<std::size_t> recordEnds;
    for (std::size_t n = 1; n <= kThree.size(); ++n)
        recordEnds.push_back(fileOf(0, std::vector<Row>(kThree.begin(), kThree.begin() + long(n))).size());
    for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
        std::size_t whole = 0;
        while (whole < recordEnds.size() && recordEnds[whole] <= cut) ++whole;
        EXPECT_EQ(load(std::string_view(bytes).substr(0, cut)),
                  std::vector<Row>(kThree.begin(), kThree.begin() + long(whole)))
            << "cut at " << cut;
    }
}

TEST(StoredListFile, DamagedRecordDropsItAndEverythingAfter) {
    const std::vector<Row> firstOnly(kThree.begin(), kThree.begin() + 1);
    auto withSecond = [&](Row second) {
        return fileOf(3, {kThree[0], std::move(second), kThree[2]});
    };
    Row longId = kThree[1];
    longId.uid = std::string(120, 'u');
    EXPECT_EQ(load(withSecond(longId)), firstOnly) << "id of 120 characters";
    longId.uid = std::string(119, 'u');
    EXPECT_EQ(load(withSecond(longId)).size(), 3u) << "id of 119 characters is fine";

    Row blankName = kThree[1];
    blankName.fields[1].first = "Bad name";
    EXPECT_EQ(load(withSecond(blankName)), firstOnly);
    Row emptyName = kThree[1];
    emptyName.fields[0].first = "";
    EXPECT_EQ(load(withSecond(emptyName)), firstOnly);

    // Lengths that point past the end or below zero: no allocation, no crash.
    for (std::int32_t length : {0x7fffffff, -1, std::int32_t(0x80000000)}) {
        std::string bytes = fileOf(3, firstOnly);
        wire::putInt(bytes, length);
        bytes += "tail of the file";
        EXPECT_EQ(load(bytes), firstOnly) << "id length " << length;

        bytes = fileOf(3, firstOnly);
        wire::putText(bytes, "id");
        wire::putInt(bytes, 0);
        wire::putInt(bytes, 0);
        wire::putInt(bytes, length);  // field count
        bytes += std::string(64, 'z');
        EXPECT_EQ(load(bytes), firstOnly) << "field count " << length;
    }
}

TEST(StoredListFile, CountBeyondTheRecordsLoadsThoseThere) {
    EXPECT_EQ(load(fileOf(0x7fffffff, kThree)), kThree);
    EXPECT_EQ(load(fileOf(2, kThree)), std::vector<Row>(kThree.begin(), kThree.begin() + 2));
}

TEST(StoredListFile, SaveReplacesTheFileAndLeavesNoTemporary) {
    TempDir dir;
    const std::string path = dir.file("UIDL");
    writeBytes(path, std::string(5000, 'o'));  // an older, longer file

    StoredMessageList list;
    list.loadStoredBytes(fileOf(3, kThree));
    ASSERT_EQ(list.saveFile(path), 1);
    EXPECT_EQ(readBytes(path), fileOf(3, kThree));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    StoredMessageList back;
    back.loadFile(path);
    EXPECT_EQ(rows(back), kThree);
}

TEST(StoredListFile, FailedSaveLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.file("UIDL");
    const std::string old = fileOf(1, {kThree[0]});
    writeBytes(path, old);
    // The temporary cannot be created where a folder of its name stands.
    fs::create_directory(path + ".new");
    StoredMessageList list;
    list.loadStoredBytes(fileOf(3, kThree));
    EXPECT_EQ(list.saveFile(path), 0);
    EXPECT_EQ(readBytes(path), old);

    // A folder in place of the file itself cannot be replaced either.
    fs::remove(path + ".new");
    const std::string folder = dir.file("sub");
    fs::create_directories(fs::path(folder) / "x");
    EXPECT_EQ(list.saveFile(folder), 0);
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(StoredListFile, ACompleteCopyLeftByAFailedSaveIsLoadedAPartialOneIgnored) {
    TempDir dir;
    const std::string path = dir.file("UIDL");
    writeBytes(path, fileOf(1, {kThree[0]}));
    const std::string full = fileOf(3, kThree);
    writeBytes(path + ".new", full.substr(0, full.size() - 1));  // a save still writing
    StoredMessageList partial;
    partial.loadFile(path);
    EXPECT_EQ(rows(partial), std::vector<Row>{kThree[0]});

    writeBytes(path + ".new", full);  // a save that could neither replace nor rewrite
    StoredMessageList complete;
    complete.loadFile(path);
    EXPECT_EQ(rows(complete), kThree);
}

#ifdef _WIN32
TEST(StoredListFile, SaveWhileAnotherProgramHoldsTheFileOpen) {
    // A virus scanner or backup tool holding "UIDL": sharing that allows replacing or at
    // least writing still lets the save land; sharing that allows neither fails the save,
    // but the complete list stays beside the file and is what the next check starts from.
    TempDir dir;
    const std::string path = dir.file("UIDL");
    const std::string old = fileOf(1, {kThree[0]});
    StoredMessageList list;
    list.loadStoredBytes(fileOf(3, kThree));
    struct Case {
        DWORD share;
        int saved;
    };
    for (Case c : {Case{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 1},
                   Case{FILE_SHARE_READ | FILE_SHARE_WRITE, 1}, Case{FILE_SHARE_READ, 0}}) {
        writeBytes(path, old);
        HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        EXPECT_EQ(list.saveFile(path), c.saved) << c.share;
        CloseHandle(held);
        EXPECT_EQ(readBytes(path), c.saved ? fileOf(3, kThree) : old) << c.share;
        StoredMessageList next;
        next.loadFile(path);
        EXPECT_EQ(rows(next), kThree) << c.share;
        fs::remove(path + ".new");
    }
}
#endif

// The kept ids stand in for their file only while nothing could have changed the file, and
// only for a list the next check would leave as it is.
TEST(KeptStoredList, StandsForItsFileOnlyWhileTheFileIsAsItWasLeft) {
    TempDir dir;
    const std::string path = dir.file("UIDL");
    KeptStoredList kept;
    auto saved = [&](const std::vector<Row>& records) {
        auto list = std::make_unique<StoredMessageList>();
        list->loadStoredBytes(fileOf(std::int32_t(records.size()), records));
        list->append("changed", 0);  // so that the save is what makes it match
        EXPECT_EQ(list->saveFile(path), 1);
        return list;
    };
    std::vector<Row> read;
    for (Row r : kThree) read.push_back((r.flag = 0, r));
    kept.keep(*saved(read), path);
    const std::optional<StoredIds> ids = kept.take(path);
    ASSERT_TRUE(ids.has_value());
    EXPECT_EQ(ids->size(), 4u);
    EXPECT_FALSE(kept.take(path).has_value());  // taken once

    const std::vector<std::function<void()>> changes = {
        [&] { saved({read[0]}); },                       // rewritten
        [&] { writeBytes(path + ".new", "partial"); },  // a newer copy beside it
        [&] { fs::remove(path); },
    };
    for (const auto& change : changes) {
        kept.keep(*saved(read), path);
        change();
        EXPECT_FALSE(kept.take(path).has_value());
        fs::remove(path + ".new");
    }
    kept.keep(*saved(read), path);
    EXPECT_FALSE(kept.take(dir.file("other")).has_value());

    // A list the next check changes anyway is not kept: unsaved, with a new flag to clear,
    // or with an id twice (the second goes).
    auto unsaved = saved(read);
    unsaved->append("unsaved", 0);
    auto flagged = saved({read[0], kThree[1]});
    auto twice = saved({read[0], read[0]});
    for (const StoredMessageList* list : {unsaved.get(), flagged.get(), twice.get()}) {
        kept.keep(*list, path);
        EXPECT_FALSE(kept.take(path).has_value());
    }
}

#ifdef _WIN32
// Another program rewriting the file to the same size within the same second: the C
// runtime's stat sees whole seconds only.
TEST(KeptStoredList, ARewriteWithinTheSameSecondIsNoticed) {
    TempDir dir;
    const std::string path = dir.file("UIDL");
    auto setWritten = [&](std::uint64_t stamp) {
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        FILETIME written{static_cast<DWORD>(stamp), static_cast<DWORD>(stamp >> 32)};
        const bool set = SetFileTime(file, nullptr, nullptr, &written);
        CloseHandle(file);
        return set;
    };
    constexpr std::uint64_t kWholeSecond = 133'000'000'000'000'000ull;  // a multiple of 10^7
    auto list = std::make_unique<StoredMessageList>();
    list->append("one", 0);
    ASSERT_EQ(list->saveFile(path), 1);
    ASSERT_TRUE(setWritten(kWholeSecond));
    KeptStoredList kept;
    kept.keep(*list, path);
    StoredMessageList other;
    other.append("two", 0);
    writeBytes(path, other.storedBytes());
    ASSERT_TRUE(setWritten(kWholeSecond + 50'000));  // 5 ms later
    EXPECT_FALSE(kept.take(path).has_value());
}
#endif

TEST(StoredListFile, LoadingAMissingFileLeavesTheListAsItIs) {
    TempDir dir;
    StoredMessageList list;
    list.append("kept", 1);
    list.loadFile(dir.file("absent"));
    ASSERT_EQ(list.length(), 1u);
    list.loadStoredBytes(fileOf(1, {kThree[2]}));  // loading appends
    EXPECT_EQ(list.length(), 2u);
}

// A check that changes nothing skips rewriting the file; that is only sound while the
// write would give the very bytes that were read.
TEST(StoredListFile, MatchesFileOnlyWhileSavingWouldWriteTheSameBytes) {
    const std::string clean = fileOf(3, kThree);
    std::vector<Row> padded = kThree;
    padded[0].fields[1].second = " Ann <ann@example.org>";
    const std::pair<std::string, bool> cases[] = {
        {clean, true},
        {fileOf(0, {}), true},
        {fileOf(3, padded), false},                 // trimmed on load
        {clean.substr(0, clean.size() - 1), false},  // cut short
        {clean + "x", false},                        // bytes after the last record
        {fileOf(4, kThree), false},                  // count beyond the records
        {fileOf(-1, {}), false},
        {"", false},
    };
    for (const auto& [bytes, matches] : cases) {
        StoredMessageList list;
        list.loadStoredBytes(bytes);
        EXPECT_EQ(list.matchesFile(), matches) << testing::PrintToString(bytes);
        if (list.matchesFile()) {
            EXPECT_EQ(list.storedBytes(), bytes);
        }
    }

    // The reconciling steps of a check that finds nothing new keep the match...
    StoredMessageList list;
    list.loadStoredBytes(clean);
    list.clearPresentMarks();
    for (const Row& r : kThree) list.markPresent(r.uid);
    list.removeUnmarked();
    list.setNewFlag(0, 0);  // already 0
    EXPECT_TRUE(list.matchesFile());
    EXPECT_EQ(list.storedBytes(), clean);
    // ...every real change ends it.
    list.setNewFlag(1, 0);
    EXPECT_FALSE(list.matchesFile());
    for (auto change : std::vector<std::function<void(StoredMessageList&)>>{
             [](StoredMessageList& l) { l.append("new", 1); },
             [](StoredMessageList& l) { l.clearPresentMarks(); l.markPresent(kThree[0].uid); l.removeUnmarked(); },
             [](StoredMessageList& l) { l.loadStoredBytes(fileOf(1, {kThree[2]})); },
         }) {
        StoredMessageList changed;
        changed.loadStoredBytes(clean);
        change(changed);
        EXPECT_FALSE(changed.matchesFile());
    }
}

TEST(StoredListOps, MarkPresentMarksTheFirstEqualIdOnly) {
    StoredMessageList list;
    list.append("x", 0).size = 1;
    list.append("y", 0).size = 2;
    list.append("x", 0).size = 3;
    list.append("X", 0).size = 4;
    list.clearPresentMarks();
    EXPECT_EQ(list.markPresent("x"), 1);
    EXPECT_EQ(list.markPresent("x "), 0);
    EXPECT_EQ(list.markPresent("z"), 0);
    list.removeUnmarked();
    ASSERT_EQ(list.length(), 1u);
    EXPECT_EQ(list.begin()->size, 1);
}

TEST(StoredListOps, PositionsAndIdsFollowRemovals) {
    StoredMessageList list;
    for (const char* id : {"a", "b", "c", "d", "e"}) list.append(id, 1);
    list.clearPresentMarks();
    list.markPresent("b");
    list.markPresent("d");
    list.removeUnmarked();
    list.setNewFlag(1, 7);   // now "d"
    list.setNewFlag(2, 9);   // no such entry: nothing happens
    EXPECT_EQ(list.newFlagAt(0), 1);
    EXPECT_EQ(list.newFlagAt(1), 7);
    EXPECT_EQ(list.newFlagAt(2), 0);
    EXPECT_EQ(list.markPresent("a"), 0);
    EXPECT_EQ(list.markPresent("d"), 1);

    list.append("f", 1);
    list.setNewFlag(2, 5);
    EXPECT_EQ(list.getNewFlag("f"), 5);
    EXPECT_EQ(list.remove("b"), 1);
    EXPECT_EQ(list.remove("b"), 0);
    EXPECT_EQ(list.newFlagAt(0), 7);
    EXPECT_EQ(list.find("a"), nullptr);
    ASSERT_NE(list.find("d"), nullptr);
    EXPECT_EQ(list.setNewFlag("d", 0), 1);
    EXPECT_EQ(list.setNewFlag("zz", 0), 0);
    EXPECT_EQ(list.newFlagAt(0), 0);
}

TEST(StoredListOps, AppendBoundsTheIdAndAddsNoStoredHeader) {
    StoredMessageList list;
    StoredMessage& e = list.append(std::string(300, 'i'), 1);
    EXPECT_EQ(e.uid, std::string(119, 'i'));
    EXPECT_EQ(e.storedHeader, nullptr);
    // The bounded id is what the next load finds: the record is not rejected.
    EXPECT_EQ(load(list.storedBytes()).size(), 1u);
}

}  // namespace
}  // namespace pop3
