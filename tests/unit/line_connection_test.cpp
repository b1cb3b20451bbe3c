// The line connection: how received blocks become lines, and the bounds on waiting and
// on line length.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "fixtures/scripted_server.h"
#include "pop3/line_connection.h"

using mwtest::Lines;
using mwtest::ScriptedServer;
using namespace std::chrono_literals;

namespace {

class LineTest : public ::testing::Test {
protected:
    void SetUp() override { pop3::setIoTimeout(5s); }
    void TearDown() override { pop3::setIoTimeout(60s); }
    void connect() {
        server.start();
        ASSERT_EQ(connection.connectTo("127.0.0.1", server.port()), 1);
    }
    ScriptedServer server;
    pop3::LineConnection connection;
};

TEST_F(LineTest, LinesJoinedInOneBlockAndSplitAcrossSeveral) {
    server.send("one\r\ntwo\r\nthr")
        .sendSplit({"ee\r", "\nfour", " and more", "\r\n"});
    connect();
    EXPECT_EQ(connection.readLine(), "one");
    EXPECT_EQ(connection.readLine(), "two");
    EXPECT_EQ(connection.readLine(), "three");
    EXPECT_EQ(connection.readLine(), "four and more");
    EXPECT_EQ(connection.readLine(), std::nullopt);  // the server closed
}

TEST_F(LineTest, LineEnds) {
    // Bare LF ends a line; an empty CR LF line is an empty text, not a failure; a CR not
    // before the LF stays in the line.
    server.send("bare\n\r\na\rb\r\n\n\r\r\n");
    connect();
    EXPECT_EQ(connection.readLine(), "bare");
    EXPECT_EQ(connection.readLine(), "");
    EXPECT_EQ(connection.readLine(), "a\rb");
    EXPECT_EQ(connection.readLine(), "");
    EXPECT_EQ(connection.readLine(), "\r");
}

TEST_F(LineTest, ZeroByteEndsTheBlocksText) {
    server.send(std::string("kept\0dropped\r\n", 14)).stall(100ms).send("\r\nnext\r\n");
    connect();
    EXPECT_EQ(connection.readLine(), "kept");
    EXPECT_EQ(connection.readLine(), "next");
}

TEST_F(LineTest, SendLineEndsWithCrLf) {
    server.expect("HELLO there").send("+OK\r\n");
    connect();
    EXPECT_EQ(connection.sendLine("HELLO there"), 1);
    EXPECT_EQ(connection.readLine(), "+OK");
    EXPECT_EQ(server.transcript(), Lines{"HELLO there"});
    EXPECT_TRUE(server.problems().empty());
}

TEST_F(LineTest, StalledServerFailsTheReadAfterTheBound) {
    pop3::setIoTimeout(200ms);
    server.send("partial").stall(10s);
    connect();
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(connection.readLine(), std::nullopt);
    auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 5s);
}

TEST_F(LineTest, OverlongLineFailsTheRead) {
    // Just over the bound, without a line feed, in many blocks.
    std::string big(pop3::kMaxLineLength + 4096, 'x');
    server.send(big + "\r\nafter\r\n");
    connect();
    EXPECT_EQ(connection.readLine(), std::nullopt);
}

TEST_F(LineTest, LongLineWithinTheBoundComesBackWhole) {
    std::string big(200000, 'y');
    server.send(big + "\r\nnext\r\n");
    connect();
    EXPECT_EQ(connection.readLine(), big);
    EXPECT_EQ(connection.readLine(), "next");
}

TEST(LineConnectionWithoutSocket, SendAndReadFail) {
    pop3::LineConnection connection;
    EXPECT_EQ(connection.sendLine("QUIT"), 0);
    EXPECT_EQ(connection.readLine(), std::nullopt);
}

TEST(LineConnectionConnect, UnresolvableOrRefusedFails) {
    pop3::setIoTimeout(5s);
    pop3::LineConnection connection;
    EXPECT_EQ(connection.connectTo("no-such-host.invalid", 110), 0);
    EXPECT_EQ(connection.sendLine("QUIT"), 0);
    int port;
    {
        ScriptedServer probe;  // a port that was free a moment ago
        port = probe.port();
    }
    EXPECT_EQ(connection.connectTo("127.0.0.1", port), 0);
    EXPECT_EQ(connection.sendLine("QUIT"), 0);
}

}  // namespace
