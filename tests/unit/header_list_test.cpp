// Header parsing: TOP reply lines to fields, lookups by well-known name, the stored form.
#include <gtest/gtest.h>

#include <deque>
#include <sstream>

#include "pop3/header_list.h"
#include "pop3/wire_format.h"

namespace pop3 {
namespace {

using Lines = std::vector<std::string>;

// Feeds the lines to readHeaders; after them the source fails, like a closed connection.
struct Parsed {
    int result;
    HeaderList list;
    std::size_t linesLeft;
};

Parsed parse(Lines lines, std::string_view terminator = ".") {
    std::deque<std::string> queue(lines.begin(), lines.end());
    Parsed p{0, {}, 0};
    p.result = p.list.readHeaders(
        [&queue]() -> std::optional<std::string> {
            if (queue.empty()) return std::nullopt;
            std::string line = std::move(queue.front());
            queue.pop_front();
            return line;
        },
        terminator);
    p.linesLeft = queue.size();
    return p;
}

Lines names(const HeaderList& list) {
    Lines out;
    for (const auto& f : list.fields()) out.push_back(f.name);
    return out;
}

std::string valueOf(const HeaderList& list, int id) {
    const std::string* v = headerValue(list, id);
    return v ? *v : "<none>";
}

TEST(ParseField, SplitsAtFirstColonAndTrimsBlanksAndTabs) {
    HeaderField f;
    ASSERT_EQ(parseField("Subject: \t  re: hello  \t", &f), 1);
    EXPECT_EQ(f.name, "Subject");
    EXPECT_EQ(f.value, "re: hello");

    ASSERT_EQ(parseField("X-Empty:", &f), 1);
    EXPECT_EQ(f.value, "");
    ASSERT_EQ(parseField("Tab\tName:v", &f), 1);  // only a blank is barred from names
    EXPECT_EQ(f.name, "Tab\tName");
}

TEST(ParseField, RejectsMissingColonEmptyNameAndBlankInName) {
    HeaderField f{"keep", "me"};
    EXPECT_EQ(parseField("no colon here", &f), 0);
    EXPECT_EQ(parseField(": value", &f), 0);
    EXPECT_EQ(parseField("Subject : value", &f), 0);
    EXPECT_EQ(parseField(" Subject: value", &f), 0);
    EXPECT_EQ(parseField("", &f), 0);
    EXPECT_EQ(f.name, "keep");
}

TEST(HeaderNames, TableAndUnknownIds) {
    EXPECT_STREQ(headerName(HeaderFrom), "From");
    EXPECT_STREQ(headerName(HeaderMimeVersion), "MIME-version");
    EXPECT_STREQ(headerName(HeaderMessageId), "Message-id");
    EXPECT_STREQ(headerName(11), "!!!!");
    EXPECT_STREQ(headerName(255), "!!!!");
    EXPECT_STREQ(headerName(-1), "!!!!");
}

TEST(ReadHeaders, TypicalTopReply) {
    Parsed p = parse({"Received: from a by b; Sun, 7 Dec 1997 09:00:00 +0000",
                      "Received: from c by a; Sun, 7 Dec 1997 08:59:00 +0000",
                      "FROM: Ann <ann@example.org>", "Subject:", "to:   bob@example.org   ",
                      "Message-ID: <1@x>", "", "."});
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(names(p.list),
              (Lines{"Received", "Received", "FROM", "Subject", "to", "Message-ID"}));
    EXPECT_EQ(valueOf(p.list, HeaderFrom), "Ann <ann@example.org>");
    EXPECT_EQ(valueOf(p.list, HeaderReceived), "from a by b; Sun, 7 Dec 1997 09:00:00 +0000");
    EXPECT_EQ(valueOf(p.list, HeaderSubject), "");  // present but empty, not none
    EXPECT_EQ(valueOf(p.list, HeaderTo), "bob@example.org");
    EXPECT_EQ(valueOf(p.list, HeaderMessageId), "<1@x>");
    EXPECT_EQ(valueOf(p.list, HeaderDate), "<none>");
    EXPECT_EQ(valueOf(p.list, 11), "<none>");
}

TEST(ReadHeaders, FoldedFieldsKeepOneBlankOrTabPerFold) {
    Parsed p = parse({"To: ann@example.org,", "     bob@example.org,", "\t \tcid@example.org",
                      "Subject: one", " two", "X-Blank: a", "   ", "\tb", "."});
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(valueOf(p.list, HeaderTo), "ann@example.org, bob@example.org,\tcid@example.org");
    EXPECT_EQ(valueOf(p.list, HeaderSubject), "one two");
    ASSERT_EQ(p.list.size(), 3u);
    EXPECT_EQ(p.list.fields()[2].value, "a\tb");  // a blanks-only fold adds nothing
}

TEST(ReadHeaders, BadLinesAreDroppedAndTheRestKept) {
    Parsed p = parse({"  Leading: blank starts the reply", "Subject : blank before colon",
                      "no colon", "Date: Sun, 07 Dec 1997 09:05:00", "X-Two: a: b", "."});
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(names(p.list), (Lines{"Date", "X-Two"}));
    EXPECT_EQ(p.list.fields()[1].value, "a: b");
}

TEST(ReadHeaders, DotLinesAreNotUnstuffedOnlyTheExactTerminatorEnds) {
    Parsed p = parse({"..X: y", ". ", "Z: 1", ".", "After: terminator"});
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(names(p.list), (Lines{"..X", "Z"}));
    EXPECT_EQ(p.linesLeft, 1u);
}

TEST(ReadHeaders, EmptyTerminatorStopsAtTheBlankLine) {
    Parsed p = parse({"From: a", "Subject: s", "", "body: not a header"}, "");
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(names(p.list), (Lines{"From", "Subject"}));
    EXPECT_EQ(p.linesLeft, 1u);
}

TEST(ReadHeaders, ConnectionLostMidHeaderFails) {
    EXPECT_EQ(parse({}).result, 0);
    EXPECT_EQ(parse({"From: a", "Subject: b"}).result, 0);
    EXPECT_EQ(parse({"From: a", " folded"}).result, 0);
}

TEST(ReadHeaders, LongFieldIsCutAtTheLimit) {
    std::string longSubject = "Subject: " + std::string(3000, 'x');
    Parsed p = parse({longSubject, "From: a", "."});
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(valueOf(p.list, HeaderSubject).size(), kMaxFieldText - 9);
    EXPECT_EQ(valueOf(p.list, HeaderFrom), "a");

    // The cut also holds for a field assembled from many folds.
    Lines folded{"To: start"};
    for (int i = 0; i < 500; ++i) folded.push_back(" abcdefghij");
    folded.push_back(".");
    p = parse(folded);
    ASSERT_EQ(p.result, 1);
    EXPECT_EQ(valueOf(p.list, HeaderTo).size(), kMaxFieldText - 4);
}

TEST(StoredForm, RoundTripKeepsNamesCaseOrderAndDuplicates) {
    Parsed p = parse({"Received: r1", "received: r2", "FROM: Ann", "Subject:", "X\tTab: v", "."});
    std::string bytes;
    p.list.store(bytes);

    HeaderList back;
    std::size_t pos = 0;
    ASSERT_EQ(back.load(bytes, pos), 1);
    EXPECT_EQ(pos, bytes.size());
    ASSERT_EQ(back.size(), p.list.size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back.fields()[i].name, p.list.fields()[i].name);
        EXPECT_EQ(back.fields()[i].value, p.list.fields()[i].value);
    }
}

std::string fieldBytes(std::int32_t count, std::vector<std::pair<std::string, std::string>> fields) {
    std::string out;
    wire::putInt(out, count);
    for (auto& [n, v] : fields) {
        wire::putText(out, n);
        wire::putText(out, v);
    }
    return out;
}

TEST(StoredForm, ValuesAreTrimmedOnLoad) {
    std::string bytes = fieldBytes(1, {{"Subject", " \t hi \t"}});
    HeaderList list;
    std::size_t pos = 0;
    ASSERT_EQ(list.load(bytes, pos), 1);
    EXPECT_EQ(list.fields()[0].value, "hi");
}

TEST(StoredForm, DamagedFieldStopsLoadKeepingEarlierFields) {
    for (std::string bad : {"", "Bad Name"}) {
        std::string bytes = fieldBytes(3, {{"From", "a"}, {bad, "v"}, {"To", "b"}});
        HeaderList list;
        std::size_t pos = 0;
        EXPECT_EQ(list.load(bytes, pos), 0) << "name '" << bad << "'";
        EXPECT_EQ(names(list), (Lines{"From"}));
    }
}

TEST(StoredForm, LengthsBeyondTheDataOrNegativeFail) {
    std::string ok = fieldBytes(1, {{"From", "a"}});
    // Field count larger than the fields present.
    std::string more = fieldBytes(2, {{"From", "a"}});
    HeaderList list;
    std::size_t pos = 0;
    EXPECT_EQ(list.load(more, pos), 0);
    EXPECT_EQ(list.size(), 1u);

    // Value length pointing far past the end, then a negative one.
    for (std::int32_t length : {0x7fffffff, -1}) {
        std::string bytes;
        wire::putInt(bytes, 1);
        wire::putText(bytes, "From");
        wire::putInt(bytes, length);
        bytes += "abc";
        HeaderList l;
        pos = 0;
        EXPECT_EQ(l.load(bytes, pos), 0) << length;
        EXPECT_EQ(l.size(), 0u);
    }
    // Every cut of a good record fails cleanly.
    for (std::size_t cut = 0; cut < ok.size(); ++cut) {
        HeaderList l;
        pos = 0;
        EXPECT_EQ(l.load(std::string_view(ok).substr(0, cut), pos), 0) << cut;
    }
    std::string negativeCount = fieldBytes(-5, {});
    pos = 0;
    EXPECT_EQ(HeaderList().load(negativeCount, pos), 0);
}

TEST(UnusedOperations, RemoveAddAndText) {
    Parsed p = parse({"Received: 1", "From: a", "received: 2", "Received: 3", "."});
    HeaderList list = p.list;
    list.removeFirst(HeaderReceived);  // exact case: "received" is not removed
    EXPECT_EQ(names(list), (Lines{"From", "received", "Received"}));
    list.removeAll(HeaderReceived);
    EXPECT_EQ(names(list), (Lines{"From", "received"}));
    list.addFront(HeaderSubject, "  first  ");
    list.addBack(HeaderTo, "\tlast ");
    list.addBack(42, "x");

    std::ostringstream text;
    list.writeText(text);
    EXPECT_EQ(text.str(), "Subject: first\nFrom: a\nreceived: 2\nTo: last\n!!!!: x\n\n");
    EXPECT_EQ(valueOf(list, 42), "x");  // only a field literally named "!!!!" matches
}

}  // namespace
}  // namespace pop3
