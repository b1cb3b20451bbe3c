// A blocking TCP client connection that sends CR LF ended lines and hands back
// received lines one at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "pop3/tls_channel.h"

namespace pop3 {

// Bound on connecting and on each receive, process-wide. A server that stops answering
// must not hang a check for ever; tests shorten it.
void setIoTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds ioTimeout();

// Longest line accepted before a line feed arrives; a longer one fails the read.
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
    void sendText(std::string_view text);
    std::optional<std::string> readLine();
    void disconnect();

private:
    bool receiveBlock();
    bool sendAll(const char* data, std::size_t size) override;
    std::size_t receiveSome(char* buffer, std::size_t size) override;

    std::unique_ptr<TlsChannel> tls_;

    std::string host_;
    int port_ = 0;
    std::intptr_t handle_;  // INVALID_SOCKET / -1 when not connected
    std::string pending_;
    std::size_t scanned_ = 0;  // bytes of pending_ already scanned for a line feed
};

class LineConnection {
public:
    int connectTo(const char* host, int port);
    int sendLine(std::string_view text);
    std::optional<std::string> readLine();
    TlsFailure startTls(const std::string& serverName);

private:
    std::unique_ptr<TcpSocket> socket_;
};

}  // namespace pop3
