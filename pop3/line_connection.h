// A blocking TCP client connection that sends CR LF ended lines and hands back
// received lines one at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pop3/tls_channel.h"

namespace pop3 {

// Bound on the name lookup, connecting, each send and each receive, process-wide. A
// server that stops answering must not hang a check for ever; tests shorten it.
void setIoTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds ioTimeout();

using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();

// Longest line accepted before a line feed arrives; a longer one fails the read. Bytes
// dropped after a zero byte count too, so a stream of them cannot keep a read going.
inline constexpr std::size_t kMaxLineLength = 1 << 20;

class TcpSocket : private RawStream {
public:
    TcpSocket();
    ~TcpSocket() override;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    int connectTo(const char* host, int port);
    // From here on everything sent and received is encrypted; bytes received before it
    // are dropped, so nothing sent in the clear can pose as part of the secure dialogue.
    TlsFailure startTls(const std::string& serverName);
    // False when the text could not be sent in time; the socket is then closed, so the
    // reply read after it fails at once.
    bool sendText(std::string_view text);
    std::optional<std::string> readLine();
    void disconnect();
    // No wait of this socket (lookup, connect, send, receive) goes past the deadline.
    void setDeadline(Deadline deadline) { deadline_ = deadline; }

private:
    bool receiveBlock();
    bool sendAll(const char* data, std::size_t size) override;
    std::size_t receiveSome(char* buffer, std::size_t size) override;

    std::unique_ptr<TlsChannel> tls_;

    std::string host_;
    int port_ = 0;
    std::intptr_t handle_;  // INVALID_SOCKET / -1 when not connected
    std::string pending_;
    std::size_t start_ = 0;     // where the unread bytes of pending_ begin
    std::size_t scanned_ = 0;   // bytes of pending_ already scanned for a line feed
    std::size_t received_ = 0;  // bytes received since the last line, dropped ones too
    Deadline deadline_ = kNoDeadline;
};

class LineConnection {
public:
    int connectTo(const char* host, int port);
    int sendLine(std::string_view text);
    // Sends the lines, each ended with CR LF, in one write.
    int sendLines(const std::vector<std::string>& lines);
    std::optional<std::string> readLine();
    TlsFailure startTls(const std::string& serverName);
    // Bounds the whole dialogue, on top of the bound on each wait.
    void setDeadline(Deadline deadline);

private:
    std::unique_ptr<TcpSocket> socket_;
    Deadline deadline_ = kNoDeadline;
};

}  // namespace pop3
