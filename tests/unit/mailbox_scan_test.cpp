// Whole mailbox scans: which messages are new, which headers are fetched, what the
// "UIDL" file holds afterwards. Against the scripted server (exact transcripts) and
// against a real Dovecot.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "fixtures/dovecot_fixture.h"
#include "fixtures/mailbox_scan.h"
#include "fixtures/scripted_server.h"
#include "fixtures/test_address.h"
#include "fixtures/temp_dir.h"
#include "pop3/line_connection.h"
#include "pop3/stored_list.h"

namespace {

using mwtest::Lines;
using mwtest::ScanResult;
using mwtest::ScriptedServer;
using mwtest::TempDir;
using pop3::StoredMessageList;

struct Row {
    std::string uid;
    int flag;
    int size;
    std::string subject;
    std::size_t fieldCount;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << "{" << r.uid << " flag " << r.flag << " size " << r.size << " subject '"
              << r.subject << "' fields " << r.fieldCount << "}";
}

std::vector<Row> fileRows(const std::string& path) {
    StoredMessageList list;
    list.loadFile(path);
    std::vector<Row> out;
    for (const pop3::StoredMessage& e : list) {
        const std::string* subject = pop3::headerValue(*e.header(), pop3::HeaderSubject);
        out.push_back({e.uid, e.newFlag, e.size, subject ? *subject : "<none>", e.header()->size()});
    }
    return out;
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- scripted server ----

struct Msg {
    std::string uid;
    int size;
    std::string subject;
};

class ScriptedScan : public ::testing::Test {
protected:
    void SetUp() override { pop3::setIoTimeout(std::chrono::seconds(3)); }
    void TearDown() override { pop3::setIoTimeout(std::chrono::seconds(60)); }

    static std::string listLine(std::size_t i, const Msg& m) {
        return std::to_string(i + 1) + " " + std::to_string(m.size);
    }

    // Greeting, logon and listing of the mailbox; without UIDL the server refuses it and
    // the client lists again.
    static void scriptOpen(ScriptedServer& s, const std::vector<Msg>& box, bool uidl = true) {
        std::string list = "+OK\r\n", uids = "+OK\r\n";
        int total = 0;
        for (std::size_t i = 0; i < box.size(); ++i) {
            list += listLine(i, box[i]) + "\r\n";
            uids += std::to_string(i + 1) + " " + box[i].uid + "\r\n";
            total += box[i].size;
        }
        list += ".\r\n";
        uids += ".\r\n";
        s.send("+OK POP3 ready\r\n").expect("USER bob").send("+OK\r\n").expect("PASS pw");
        s.send("+OK\r\n").expect("STAT");
        s.send("+OK " + std::to_string(box.size()) + " " + std::to_string(total) + "\r\n");
        s.expect("LIST").send(list).expect("UIDL");
        if (uidl)
            s.send(uids);
        else
            s.send("-ERR not offered\r\n").expect("LIST").send(list);
    }

    static std::string topReply(const Msg& m) {
        return "+OK\r\nReceived: from mx by pop; Sun, 7 Dec 1997 09:00:00 +0000\r\n"
               "From: Ann <ann@example.org>\r\nSubject: " + m.subject +
               "\r\n\tcontinued\r\nTo: bob@example.org\r\n\r\n.\r\n";
    }

    static void scriptTop(ScriptedServer& s, std::size_t number, const Msg& m) {
        s.expect("TOP " + std::to_string(number) + " 0");
        s.send(topReply(m));
    }

    static void scriptQuit(ScriptedServer& s) { s.expect("QUIT").send("+OK bye\r\n").close(); }

    ScanResult scan(ScriptedServer& s, pop3::KeptStoredList* kept = nullptr) {
        s.start();
        ScanResult r = mwtest::scanMailbox(path, "127.0.0.1", s.port(), "bob", "pw", kept);
        EXPECT_EQ(s.problems(), Lines{});
        return r;
    }

    static Lines tops(ScriptedServer& s) {
        Lines out;
        for (const std::string& line : s.transcript())
            if (line.rfind("TOP", 0) == 0) out.push_back(line);
        return out;
    }

    // The three messages of the first check, and what the file holds after it.
    const std::vector<Msg> three{{"uid-a", 1000, "one"}, {"uid-b", 2000, "two"}, {"uid-c", 3000, "three"}};
    Row row(const Msg& m, int flag) const { return {m.uid, flag, m.size, m.subject + "\tcontinued", 4}; }

    void firstCheckOfThree() {
        ScriptedServer s;
        scriptOpen(s, three);
        for (std::size_t i = 0; i < three.size(); ++i) scriptTop(s, i + 1, three[i]);
        scriptQuit(s);
        ScanResult r = scan(s);
        ASSERT_EQ(r.opened, 1);
        EXPECT_EQ(r.newCount, 3);
        EXPECT_EQ(tops(s), (Lines{"TOP 1 0", "TOP 2 0", "TOP 3 0"}));
    }

    TempDir dir;
    std::string path = dir.file("UIDL");
};

TEST_F(ScriptedScan, FirstCheckFetchesEveryHeaderAndMarksAllNew) {
    firstCheckOfThree();
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 1), row(three[1], 1), row(three[2], 1)}));
}

TEST_F(ScriptedScan, SecondCheckFetchesNothingAndClearsTheFlags) {
    firstCheckOfThree();
    std::vector<Row> before = fileRows(path);

    ScriptedServer s;
    scriptOpen(s, three);
    scriptQuit(s);
    ScanResult r = scan(s);
    EXPECT_EQ(r.newCount, 0);
    EXPECT_EQ(r.fetchedAll, 1);
    EXPECT_EQ(tops(s), Lines{});
    for (Row& b : before) b.flag = 0;
    EXPECT_EQ(fileRows(path), before);
    EXPECT_EQ(s.transcript(), (Lines{"USER bob", "PASS pw", "STAT", "LIST", "UIDL", "QUIT"}));
}

// Checks in a row keep the list's ids between them: one that finds the same messages reads
// and writes no file; a change on the server, or a file changed in between, is read again.
TEST_F(ScriptedScan, IdsKeptBetweenChecksGiveWayToAChange) {
    pop3::KeptStoredList kept;
    {
        ScriptedServer s;
        scriptOpen(s, three);
        for (std::size_t i = 0; i < three.size(); ++i) scriptTop(s, i + 1, three[i]);
        scriptQuit(s);
        EXPECT_EQ(scan(s, &kept).newCount, 3);
    }
    // Whether the check went without the file; each finds nothing new.
    auto steady = [&](const std::vector<Msg>& box) {
        ScriptedServer s;
        scriptOpen(s, box);
        scriptQuit(s);
        const ScanResult r = scan(s, &kept);
        EXPECT_EQ(r.newCount, 0);
        EXPECT_EQ(r.fetchedAll && r.saved, 1);
        EXPECT_EQ(r.listLength, fileRows(path).size());
        return r.unchanged;
    };
    EXPECT_EQ(steady(three), 0);  // clears the new flags
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 0), row(three[1], 0), row(three[2], 0)}));
    const auto written = std::filesystem::last_write_time(path);
    EXPECT_EQ(steady(three), 1);
    EXPECT_EQ(std::filesystem::last_write_time(path), written);
    EXPECT_EQ(steady({three[0], three[2]}), 0);  // uid-b gone: written
    EXPECT_EQ(steady({three[0], three[2]}), 1);

    // Another copy of the list put in place: uid-a is new to it.
    {
        StoredMessageList other;
        other.loadFile(path);
        other.clearPresentMarks();
        other.markPresent("uid-c");
        other.removeUnmarked();
        ASSERT_EQ(other.saveFile(path), 1);
    }
    ScriptedServer s;
    scriptOpen(s, {three[0], three[2]});
    scriptTop(s, 1, three[0]);
    scriptQuit(s);
    EXPECT_EQ(scan(s, &kept).newCount, 1);
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[2], 0), row(three[0], 1)}));
    EXPECT_EQ(steady({three[2], three[0]}), 0);
    EXPECT_EQ(steady({three[0], three[0]}), 0);  // as many ids, but uid-c gone
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 0)}));
}

TEST_F(ScriptedScan, DeletionAndArrival) {
    firstCheckOfThree();
    std::vector<Msg> now{three[0], three[2], {"uid-d", 444, "four"}};
    ScriptedServer s;
    scriptOpen(s, now);
    scriptTop(s, 3, now[2]);
    scriptQuit(s);
    ScanResult r = scan(s);
    EXPECT_EQ(r.newCount, 1);
    EXPECT_EQ(tops(s), Lines{"TOP 3 0"});
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 0), row(three[2], 0), row(now[2], 1)}));
}

TEST_F(ScriptedScan, EmptiedMailboxWritesAnEmptyList) {
    firstCheckOfThree();
    ScriptedServer s;
    scriptOpen(s, {});
    scriptQuit(s);
    ScanResult r = scan(s);
    EXPECT_EQ(r.opened, 1);
    EXPECT_EQ(r.newCount, 0);
    EXPECT_EQ(r.saved, 1);
    EXPECT_EQ(fileBytes(path), std::string(4, '\0'));
}

TEST_F(ScriptedScan, WithoutUidlTheListLinesAreIdsAndRenumberedMessagesComeBackNew) {
    {
        ScriptedServer s;
        scriptOpen(s, three, false);
        for (std::size_t i = 0; i < three.size(); ++i) scriptTop(s, i + 1, three[i]);
        scriptQuit(s);
        EXPECT_EQ(scan(s).newCount, 3);
    }
    std::vector<Row> rows = fileRows(path);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].uid, "1 1000");
    EXPECT_EQ(rows[2].uid, "3 3000");

    // The first message is deleted: the others become numbers 1 and 2.
    std::vector<Msg> now{three[1], three[2]};
    ScriptedServer s;
    scriptOpen(s, now, false);
    scriptTop(s, 1, now[0]);
    scriptTop(s, 2, now[1]);
    scriptQuit(s);
    EXPECT_EQ(scan(s).newCount, 2);
    rows = fileRows(path);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (Row{"1 2000", 1, 2000, "two\tcontinued", 4}));
    EXPECT_EQ(rows[1], (Row{"2 3000", 1, 3000, "three\tcontinued", 4}));
}

TEST_F(ScriptedScan, ChangedAccountReportsAllNewAndDropsTheOldEntries) {
    firstCheckOfThree();
    std::vector<Msg> other{{"other-1", 10, "x"}, {"other-2", 20, "y"}};
    ScriptedServer s;
    scriptOpen(s, other);
    scriptTop(s, 1, other[0]);
    scriptTop(s, 2, other[1]);
    scriptQuit(s);
    EXPECT_EQ(scan(s).newCount, 2);
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(other[0], 1), row(other[1], 1)}));
}

TEST_F(ScriptedScan, FailedFetchStopsFetchingButKeepsTheKnownMessagesAfterIt) {
    firstCheckOfThree();
    std::vector<Msg> now{three[0], {"uid-d", 444, "four"}, three[2], {"uid-e", 555, "five"}};
    ScriptedServer s;
    scriptOpen(s, now);
    s.expect("TOP 2 0").send("-ERR no such message\r\n");
    scriptQuit(s);
    ScanResult r = scan(s);
    EXPECT_EQ(r.fetchedAll, 0);
    EXPECT_EQ(r.newCount, 0);
    EXPECT_EQ(tops(s), Lines{"TOP 2 0"});  // no further fetch after the failure
    // The known third message stays known; the two new ones come back next time.
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 0), row(three[2], 0)}));

    ScriptedServer again;
    scriptOpen(again, now);
    scriptTop(again, 2, now[1]);
    scriptTop(again, 4, now[3]);
    scriptQuit(again);
    EXPECT_EQ(scan(again).newCount, 2);
    EXPECT_EQ(fileRows(path),
              (std::vector<Row>{row(three[0], 0), row(three[2], 0), row(now[1], 1), row(now[3], 1)}));
}

TEST_F(ScriptedScan, DamagedFileKeepsItsSoundEntries) {
    firstCheckOfThree();
    std::string bytes = fileBytes(path);
    // Cut inside the last record.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size() - 10));
    }
    ScriptedServer s;
    scriptOpen(s, three);
    scriptTop(s, 3, three[2]);
    scriptQuit(s);
    EXPECT_EQ(scan(s).newCount, 1);
    EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 0), row(three[1], 0), row(three[2], 1)}));
}

TEST_F(ScriptedScan, FailedLogonLeavesTheFileAlone) {
    firstCheckOfThree();
    std::string before = fileBytes(path);
    ScriptedServer s;
    s.send("+OK ready\r\n").expect("USER bob").send("+OK\r\n").expect("PASS pw");
    s.send("-ERR wrong password\r\n").expect("QUIT").send("+OK\r\n").close();
    EXPECT_EQ(scan(s).opened, 0);
    EXPECT_EQ(fileBytes(path), before);
}

// ---- many new messages: CAPA first, TOPs in windows when the server pipelines ----

class ManyNewScan : public ScriptedScan {
protected:
    static std::vector<Msg> fresh(std::size_t count) {
        std::vector<Msg> out;
        for (std::size_t i = 0; i < count; ++i)
            out.push_back({"new-" + std::to_string(i), int(100 + i), "subject " + std::to_string(i)});
        return out;
    }

    static constexpr const char* kPipelining = "+OK\r\nTOP\r\nUIDL\r\npipelining\r\nUSER\r\n.\r\n";

    // The TOPs of box[from, to) (message numbers from + 1 on) arrive before any reply, no
    // more come until the replies are read, and the replies go back in one write.
    static void scriptWindow(ScriptedServer& s, const std::vector<Msg>& box, std::size_t from, std::size_t to) {
        std::string replies;
        for (std::size_t k = from; k < to; ++k) {
            s.expect("TOP " + std::to_string(k + 1) + " 0");
            replies += topReply(box[k]);
        }
        s.quiet(std::chrono::milliseconds(100)).send(replies);
    }

    std::vector<Row> newRows(const std::vector<Msg>& box) const {
        std::vector<Row> out;
        for (const Msg& m : box) out.push_back(row(m, 1));
        return out;
    }

    // A first check of three, then a box of the first of them, 20 new messages and the third
    // of them; the pipelined fetch of the 20 fails at the fifth reply.
    void failInWindow(const std::string& fifthReply, bool dialogueInStep) {
        firstCheckOfThree();
        std::vector<Msg> added = fresh(20);
        std::vector<Msg> box{three[0]};
        box.insert(box.end(), added.begin(), added.end());
        box.push_back(three[2]);
        ScriptedServer s;
        scriptOpen(s, box);
        s.expect("CAPA").send(kPipelining);
        std::string replies;
        for (std::size_t k = 1; k <= added.size(); ++k) s.expect("TOP " + std::to_string(k + 1) + " 0");
        for (std::size_t k = 0; k < 4; ++k) replies += topReply(added[k]);
        replies += fifthReply;
        if (dialogueInStep) {
            for (std::size_t k = 5; k < added.size(); ++k) replies += topReply(added[k]);
            s.send(replies);
            scriptQuit(s);
        } else {
            s.send(replies).close();
        }
        ScanResult r = scan(s);
        EXPECT_EQ(r.fetchedAll, 0);
        EXPECT_EQ(r.newCount, 4);  // the headers before the failure, as one at a time
        Lines transcript = s.transcript();
        ASSERT_FALSE(transcript.empty());
        EXPECT_EQ(transcript.back() == "QUIT", dialogueInStep);
        // The known third message stays known; the new ones after the failure come back next time.
        EXPECT_EQ(fileRows(path), (std::vector<Row>{row(three[0], 0), row(three[2], 0), row(added[0], 1),
                                                    row(added[1], 1), row(added[2], 1), row(added[3], 1)}));
    }
};

TEST_F(ManyNewScan, ServerThatPipelinesGetsTheTopsInWindows) {
    const std::size_t count = pop3::kPipelineWindow + 8;
    std::vector<Msg> box = fresh(count);
    ScriptedServer s;
    scriptOpen(s, box);
    s.expect("CAPA").send(kPipelining);
    scriptWindow(s, box, 0, pop3::kPipelineWindow);
    scriptWindow(s, box, pop3::kPipelineWindow, count);
    scriptQuit(s);
    ScanResult r = scan(s);
    EXPECT_EQ(r.fetchedAll, 1);
    EXPECT_EQ(r.newCount, int(count));
    EXPECT_EQ(fileRows(path), newRows(box));
}

TEST_F(ManyNewScan, ServerThatDoesNotPipelineGetsOneTopAtATime) {
    for (const char* capa : {"+OK\r\nTOP\r\nUIDL\r\nPIPELININGS\r\n.\r\n", "-ERR unknown command\r\n"}) {
        SCOPED_TRACE(capa);
        std::filesystem::remove(path);
        std::vector<Msg> box = fresh(pop3::kPipelineThreshold);
        ScriptedServer s;
        scriptOpen(s, box);
        s.expect("CAPA").send(capa);
        for (std::size_t k = 0; k < box.size(); ++k) {
            s.expect("TOP " + std::to_string(k + 1) + " 0").quiet(std::chrono::milliseconds(20));
            s.send(topReply(box[k]));
        }
        scriptQuit(s);
        ScanResult r = scan(s);
        EXPECT_EQ(r.fetchedAll, 1);
        EXPECT_EQ(fileRows(path), newRows(box));
    }
}

TEST_F(ManyNewScan, RefusedTopInAWindowEndsTheFetchInStep) { failInWindow("-ERR no such message\r\n", true); }

TEST_F(ManyNewScan, BrokenReplyInAWindowDropsTheConnection) {
    failInWindow("+OK\r\nFrom: cut", false);
}

// ---- Dovecot ----

std::string message(int n, const std::string& subject) {
    std::ostringstream m;
    m << "Return-Path: <sender" << n << "@example.org>\r\n"
      << "Received: from mx.example.org by pop.example.org; Sun, 7 Dec 1997 09:0" << n % 10
      << ":00 +0000\r\n"
      << "From: Sender " << n << " <sender" << n << "@example.org>\r\n"
      << "To: mailwick@example.org\r\n"
      << "Subject: " << subject << "\r\n"
      << "Date: Sun, 7 Dec 1997 09:00:00 +0000\r\n"
      << "Message-ID: <" << n << "@example.org>\r\n"
      << "\r\n"
      << "Body of message " << n << ".\r\n";
    return m.str();
}

// The server's ids in server order, through a session of its own.
Lines serverUids(const mwtest::DovecotServer& d) {
    pop3::POP3Session s;
    Lines out;
    if (!s.open(d.user().c_str(), d.password().c_str(), d.ip().c_str(), 110)) return out;
    char uid[pop3::kUidField];
    for (int i = 0; i < s.getCount(); ++i) {
        s.getUid(i, uid);
        out.push_back(uid);
    }
    s.close();
    return out;
}

class DovecotScan : public ::testing::Test {
protected:
    void SetUp() override {
        pop3::setIoTimeout(std::chrono::seconds(10));
        ASSERT_TRUE(dovecot.start());
    }

    ScanResult scan(const mwtest::DovecotServer& d) {
        return mwtest::scanMailbox(path, d.ip(), 110, d.user(), d.password());
    }

    Lines fileUids() {
        Lines out;
        for (const Row& r : fileRows(path)) out.push_back(r.uid);
        return out;
    }

    std::vector<int> fileFlags() {
        std::vector<int> out;
        for (const Row& r : fileRows(path)) out.push_back(r.flag);
        return out;
    }

    // Runs a session that sends DELE for the given message indexes, committed by QUIT.
    bool deleteMessages(std::vector<int> indexes) {
        pop3::POP3Session s;
        if (!s.open(dovecot.user().c_str(), dovecot.password().c_str(), dovecot.ip().c_str(), 110))
            return false;
        for (int i : indexes)
            if (!s.deleteMessage(i)) return false;
        s.close();
        return true;
    }

    mwtest::DovecotServer dovecot{mwtest::TestAddress(20)};
    TempDir dir;
    std::string path = dir.file("UIDL");
};

TEST_F(DovecotScan, FirstSecondDeletionArrivalAndEmptied) {
    for (int n = 1; n <= 3; ++n) ASSERT_TRUE(dovecot.deliver(message(n, "subject " + std::to_string(n))));

    ScanResult first = scan(dovecot);
    ASSERT_EQ(first.opened, 1);
    EXPECT_EQ(first.fetchedAll, 1);
    EXPECT_EQ(first.newCount, 3);
    Lines uids = serverUids(dovecot);
    ASSERT_EQ(uids.size(), 3u);
    EXPECT_EQ(fileUids(), uids);
    EXPECT_EQ(fileFlags(), (std::vector<int>{1, 1, 1}));
    std::vector<Row> rows = fileRows(path);
    for (const Row& r : rows) {
        EXPECT_EQ(r.fieldCount, 7u) << r;
        EXPECT_EQ(r.subject.rfind("subject ", 0), 0u) << r;
        EXPECT_GT(r.size, 200) << r;
    }

    ScanResult second = scan(dovecot);
    EXPECT_EQ(second.newCount, 0);
    for (Row& r : rows) r.flag = 0;
    EXPECT_EQ(fileRows(path), rows);  // same headers, flags cleared

    // The second message goes, a fourth arrives.
    ASSERT_TRUE(deleteMessages({1}));
    ASSERT_TRUE(dovecot.deliver(message(4, "subject 4")));
    ScanResult third = scan(dovecot);
    EXPECT_EQ(third.newCount, 1);
    Lines now = serverUids(dovecot);
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(fileUids(), now);
    EXPECT_EQ(now[0], uids[0]);
    EXPECT_EQ(now[1], uids[2]);
    EXPECT_EQ(fileFlags(), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(fileRows(path).back().subject, "subject 4");

    ASSERT_TRUE(deleteMessages({0, 1, 2}));
    ScanResult emptied = scan(dovecot);
    EXPECT_EQ(emptied.opened, 1);
    EXPECT_EQ(emptied.newCount, 0);
    EXPECT_EQ(fileBytes(path), std::string(4, '\0'));
}

TEST_F(DovecotScan, ManyNewMessagesAreFetchedInWindows) {
    const int count = int(pop3::kPipelineWindow) + 5;
    for (int n = 1; n <= count; ++n) ASSERT_TRUE(dovecot.deliver(message(n, "subject " + std::to_string(n))));
    ScanResult r = scan(dovecot);
    EXPECT_EQ(r.fetchedAll, 1);
    EXPECT_EQ(r.newCount, count);
    EXPECT_EQ(fileUids(), serverUids(dovecot));
    Lines subjects, delivered;
    for (const Row& row : fileRows(path)) subjects.push_back(row.subject);
    for (int n = 1; n <= count; ++n) delivered.push_back("subject " + std::to_string(n));
    std::sort(subjects.begin(), subjects.end());
    std::sort(delivered.begin(), delivered.end());
    EXPECT_EQ(subjects, delivered);
}

TEST_F(DovecotScan, ChangedAccountReportsAllNew) {
    for (int n = 1; n <= 3; ++n) ASSERT_TRUE(dovecot.deliver(message(n, "first account")));
    EXPECT_EQ(scan(dovecot).newCount, 3);
    Lines oldUids = fileUids();

    // A second mailbox on another address. Dovecot's ids carry the mailbox's creation
    // second, so make sure the two mailboxes do not share one.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    mwtest::DovecotServer other(mwtest::TestAddress(21));
    ASSERT_TRUE(other.start());
    for (int n = 1; n <= 2; ++n) ASSERT_TRUE(other.deliver(message(n, "second account")));
    Lines otherUids = serverUids(other);
    ASSERT_EQ(otherUids.size(), 2u);
    for (const std::string& u : otherUids)
        ASSERT_EQ(std::count(oldUids.begin(), oldUids.end(), u), 0) << u;

    EXPECT_EQ(scan(other).newCount, 2);
    EXPECT_EQ(fileUids(), otherUids);
    EXPECT_EQ(fileFlags(), (std::vector<int>{1, 1}));
    for (const Row& r : fileRows(path)) EXPECT_EQ(r.subject, "second account");
}

}  // namespace
