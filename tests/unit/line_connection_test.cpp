// The line connection: how received blocks become lines, and the bounds on waiting and
// on line length.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

// A loopback listener the test drives by hand: it accepts, reads and answers only when told.
class RawListener {
public:
    explicit RawListener(int backlog) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        addr_.sin_family = AF_INET;
        addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr_;
        listening_ = ::bind(fd_, address(), sizeof addr_) == 0 && ::listen(fd_, backlog) == 0 &&
                     ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr_), &len) == 0;
    }
    ~RawListener() { ::close(fd_); }
    RawListener(const RawListener&) = delete;
    RawListener& operator=(const RawListener&) = delete;

    bool listening() const { return listening_; }
    int fd() const { return fd_; }
    int port() const { return ntohs(addr_.sin_port); }
    const sockaddr* address() const { return reinterpret_cast<const sockaddr*>(&addr_); }

private:
    int fd_;
    sockaddr_in addr_{};
    bool listening_ = false;
};

// Tests that set a short bound of their own; the usual one comes back afterwards.
class BoundTest : public ::testing::Test {
protected:
    void TearDown() override { pop3::setIoTimeout(60s); }
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

// A line and its CR LF in two writes: the CR LF waits for the server's delayed
// acknowledgement of the first, tens of milliseconds per command once the connection's
// quick acknowledgements are used up. The server here takes each line with one receive.
TEST_F(BoundTest, EachLineArrivesInOneSegment) {
    pop3::setIoTimeout(5s);
    RawListener listener(1);
    ASSERT_TRUE(listener.listening());
    pop3::LineConnection connection;
    ASSERT_EQ(connection.connectTo("127.0.0.1", listener.port()), 1);
    int server = ::accept(listener.fd(), nullptr, nullptr);
    ASSERT_GE(server, 0);
    int split = 0;
    for (int i = 0; i < 40; ++i) {
        const std::string line = "TOP " + std::to_string(i + 1) + " 0";
        ASSERT_EQ(connection.sendLine(line), 1);
        std::string got;
        char block[256];
        int receives = 0;
        while (got.size() < 2 || got.compare(got.size() - 2, 2, "\r\n") != 0) {
            ssize_t n = ::recv(server, block, sizeof block, 0);
            ASSERT_GT(n, 0);
            got.append(block, std::size_t(n));
            ++receives;
        }
        EXPECT_EQ(got, line + "\r\n");
        if (receives > 1) ++split;
        ASSERT_EQ(::send(server, "+OK\r\n", 5, 0), 5);
        ASSERT_EQ(connection.readLine(), "+OK");
    }
    EXPECT_EQ(split, 0);
    ::close(server);
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

TEST_F(LineTest, ZeroBytesCountTowardsTheLineBound) {
    // Blocks that begin with a zero byte add no text, but they are still received data.
    pop3::setIoTimeout(20s);
    server.send(std::string(pop3::kMaxLineLength + 4096, '\0')).stall(30s);
    connect();
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(connection.readLine(), std::nullopt);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST_F(LineTest, TricklingServerIsCutOffAtTheDeadline) {
    // Every byte comes well within the bound on one receive; the deadline ends it.
    std::vector<std::string> bytes(40, "x");
    server.sendSplit(bytes, 100ms);
    connect();
    auto started = std::chrono::steady_clock::now();
    connection.setDeadline(started + 700ms);
    EXPECT_EQ(connection.readLine(), std::nullopt);
    auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, 600ms);
    EXPECT_LT(waited, 2500ms);
}

TEST_F(BoundTest, PeerThatNeverReadsFailsTheSendAfterTheBound) {
    // The listener never accepts or reads: the connection is queued, and once its buffers
    // are full a send can make no progress.
    RawListener listener(4);
    ASSERT_TRUE(listener.listening());
    pop3::setIoTimeout(300ms);
    pop3::LineConnection connection;
    ASSERT_EQ(connection.connectTo("127.0.0.1", listener.port()), 1);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(connection.sendLine(std::string(64 << 20, 'x')), 1);
    // Without the bound the send never returns; the margin is for a loaded machine.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(connection.readLine(), std::nullopt);  // the failed send closed the socket
    EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
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

TEST_F(BoundTest, UnansweredConnectGivesUpAfterTheBound) {
    // A listener that never accepts, its queue filled by earlier connects: further
    // connection requests go unanswered.
    RawListener listener(0);
    ASSERT_TRUE(listener.listening());
    std::vector<int> fillers;
    pop3::setIoTimeout(300ms);
    bool gaveUp = false;
    for (int attempt = 0; attempt < 8 && !gaveUp; ++attempt) {
        auto started = std::chrono::steady_clock::now();
        pop3::LineConnection connection;
        if (connection.connectTo("127.0.0.1", listener.port()) == 0) {
            auto waited = std::chrono::steady_clock::now() - started;
            EXPECT_GE(waited, 250ms);
            EXPECT_LT(waited, 5s);
            gaveUp = true;
        } else {
            // Non-blocking, so a filler that is itself left unanswered does not wait.
            int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, listener.address(), sizeof(sockaddr_in));
            fillers.push_back(filler);
        }
    }
    EXPECT_TRUE(gaveUp);
    for (int fd : fillers) ::close(fd);
}

}  // namespace
