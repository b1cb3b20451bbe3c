// The POP3 session against a real server: a private Dovecot on a loopback address.
// Built natively (the suite starts Dovecot itself) and for Windows, run under Wine, where
// a ctest fixture starts Dovecot and the test writes mail into its Maildir through Z:.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "fixtures/test_address.h"

#include "pop3/header_list.h"
#include "pop3/pop3_session.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include "fixtures/dovecot_fixture.h"
#endif

namespace {

const char kUser[] = "mailwick";
const char kPassword[] = "secret";

std::string envOr(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

#ifdef _WIN32
// Winsock is the program's to start, as the checker does at start-up; the server and its
// Maildir come from the ctest fixture.
class Mailbox : public ::testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
        ip_ = envOr("MAILWICK_DOVECOT_IP", "");
        maildir_ = envOr("MAILWICK_DOVECOT_MAILDIR", "");
        ASSERT_FALSE(ip_.empty() || maildir_.empty()) << "run through ctest: the fixture starts Dovecot";
    }
    void TearDown() override { WSACleanup(); }
    const std::string& ip() const { return ip_; }
    bool deliver(const std::string& message) {
        static std::atomic<int> counter{0};
        std::string name = std::to_string(std::chrono::system_clock::now().time_since_epoch().count()) +
                           ".W" + std::to_string(counter++) + ".mailwick";
        std::string tmp = windowsPath(maildir_ + "/tmp/" + name);
        std::string final = windowsPath(maildir_ + "/new/" + name);
        {
            std::ofstream out(tmp, std::ios::binary);
            out << message;
            if (!out) return false;
        }
        return std::rename(tmp.c_str(), final.c_str()) == 0;
    }

private:
    // Wine shows the Linux file system as drive Z:.
    static std::string windowsPath(std::string path) {
        std::replace(path.begin(), path.end(), '/', '\\');
        return "Z:" + path;
    }
    std::string ip_, maildir_;
};
#else
class Mailbox : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_TRUE(server_.start()); }
    void TearDown() override { server_.stop(); }
    const std::string& ip() const { return server_.ip(); }
    bool deliver(const std::string& message) { return server_.deliver(message); }

private:
    mwtest::DovecotServer server_{envOr("MAILWICK_DOVECOT_IP", mwtest::TestAddress(10).c_str())};
};
#endif

Mailbox* g_mailbox = static_cast<Mailbox*>(::testing::AddGlobalTestEnvironment(new Mailbox));

std::string message(const std::string& subject, const std::string& from = "Ann <ann@example.org>") {
    return "Return-Path: <ann@example.org>\r\n"
           "Received: from mx.example.org by pop.example.org\r\n"
           "\twith SMTP; Sun, 07 Dec 1997 09:05:00 +0100\r\n"
           "From: " + from + "\r\n"
           "To: bob@example.org,\r\n"
           "    carl@example.org\r\n"
           "Subject: " + subject + "\r\n"
           "Date: Sun, 07 Dec 1997 09:05:00 +0100\r\n"
           "\r\n"
           "Body of " + subject + ".\r\n"
           ".a line that needs dot-stuffing\r\n";
}

std::string uidOf(const pop3::POP3Session& session, int index) {
    char buffer[pop3::kUidField] = {};
    EXPECT_EQ(session.getUid(index, buffer), 1);
    return buffer;
}

// Subject of every message of the open session, by index, fetched with TOP n 0.
std::map<std::string, int> subjects(pop3::POP3Session& session) {
    std::map<std::string, int> bySubject;
    EXPECT_EQ(session.fetchAllHeaders(), 1);
    for (int i = 0; i < session.getCount(); ++i) {
        const pop3::HeaderList* header = session.getHeader(i);
        if (!header) continue;
        const std::string* subject = pop3::headerValue(*header, pop3::HeaderSubject);
        if (subject) bySubject[*subject] = i;
    }
    return bySubject;
}

class DovecotTest : public ::testing::Test {
protected:
    void SetUp() override { pop3::setIoTimeout(std::chrono::seconds(20)); }
    int open(pop3::POP3Session& session, const char* password = kPassword) {
        return session.open(kUser, password, g_mailbox->ip().c_str(), 110);
    }
};

TEST_F(DovecotTest, ListsDeliveredMessagesWithSizesIdsAndHeaders) {
    const std::string first = message("dovecot listing one");
    const std::string second = message("dovecot listing two", "\"Carl\" <carl@example.org>");
    ASSERT_TRUE(g_mailbox->deliver(first));
    ASSERT_TRUE(g_mailbox->deliver(second));

    pop3::POP3Session session;
    ASSERT_EQ(open(session), 1);
    ASSERT_GE(session.getCount(), 2);
    std::set<std::string> uids;
    for (int i = 0; i < session.getCount(); ++i) uids.insert(uidOf(session, i));
    EXPECT_EQ(uids.size(), static_cast<std::size_t>(session.getCount()));  // unique
    EXPECT_EQ(uids.count(""), 0u);

    auto found = subjects(session);
    ASSERT_EQ(found.count("dovecot listing one"), 1u);
    ASSERT_EQ(found.count("dovecot listing two"), 1u);
    int one = found["dovecot listing one"], two = found["dovecot listing two"];
    // The files are written with CR LF, so the listed size is the file's size.
    EXPECT_EQ(session.getSize(one), static_cast<int>(first.size()));
    EXPECT_EQ(session.getSize(two), static_cast<int>(second.size()));
    const pop3::HeaderList* header = session.getHeader(two);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(*pop3::headerValue(*header, pop3::HeaderFrom), "\"Carl\" <carl@example.org>");
    EXPECT_EQ(*pop3::headerValue(*header, pop3::HeaderTo), "bob@example.org, carl@example.org");
    EXPECT_EQ(*pop3::headerValue(*header, pop3::HeaderReceived),
              "from mx.example.org by pop.example.org\twith SMTP; Sun, 07 Dec 1997 09:05:00 +0100");
    EXPECT_EQ(pop3::headerValue(*header, pop3::HeaderCC), nullptr);
    EXPECT_EQ(session.close(), 1);
}

TEST_F(DovecotTest, IdsStayAndNewMailIsListedLastAtTheNextSession) {
    ASSERT_TRUE(g_mailbox->deliver(message("dovecot before")));
    std::vector<std::string> before;
    {
        pop3::POP3Session session;
        ASSERT_EQ(open(session), 1);
        for (int i = 0; i < session.getCount(); ++i) before.push_back(uidOf(session, i));
    }
    ASSERT_TRUE(g_mailbox->deliver(message("dovecot after")));
    pop3::POP3Session session;
    ASSERT_EQ(open(session), 1);
    ASSERT_EQ(session.getCount(), static_cast<int>(before.size()) + 1);
    for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(uidOf(session, static_cast<int>(i)), before[i]);
    int last = session.getCount() - 1;
    ASSERT_EQ(session.fetchHeader(last), 1);
    EXPECT_EQ(*pop3::headerValue(*session.getHeader(last), pop3::HeaderSubject), "dovecot after");
}

TEST_F(DovecotTest, DeletionTakesEffectAtQuit) {
    ASSERT_TRUE(g_mailbox->deliver(message("dovecot doomed")));
    int count;
    {
        pop3::POP3Session session;
        ASSERT_EQ(open(session), 1);
        count = session.getCount();
        auto found = subjects(session);
        ASSERT_EQ(found.count("dovecot doomed"), 1u);
        EXPECT_EQ(session.deleteMessage(found["dovecot doomed"]), 1);
        std::vector<pop3::RetrievedMessage> mail;
        ASSERT_EQ(session.retrieveMessage(found["dovecot doomed"], mail), 0);  // deleted: -ERR
        session.close();  // QUIT commits the deletion
    }
    pop3::POP3Session session;
    ASSERT_EQ(open(session), 1);
    EXPECT_EQ(session.getCount(), count - 1);
    EXPECT_EQ(subjects(session).count("dovecot doomed"), 0u);
}

TEST_F(DovecotTest, RetrievesAWholeMessage) {
    ASSERT_TRUE(g_mailbox->deliver(message("dovecot retrieved")));
    pop3::POP3Session session;
    ASSERT_EQ(open(session), 1);
    auto found = subjects(session);
    ASSERT_EQ(found.count("dovecot retrieved"), 1u);
    std::vector<pop3::RetrievedMessage> mail;
    ASSERT_EQ(session.retrieveMessage(found["dovecot retrieved"], mail), 1);
    ASSERT_EQ(mail.size(), 1u);
    EXPECT_EQ(mail[0].body, (std::vector<std::string>{"Body of dovecot retrieved.",
                                                      ".a line that needs dot-stuffing"}));
}

TEST_F(DovecotTest, WrongPasswordFailsTheLogon) {
    pop3::POP3Session session;
    EXPECT_EQ(open(session, "wrong"), 0);
    EXPECT_EQ(session.getCount(), 0);
    // The session is usable again afterwards.
    EXPECT_EQ(open(session), 1);
}

}  // namespace
