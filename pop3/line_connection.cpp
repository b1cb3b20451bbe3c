#include "pop3/line_connection.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <winsock2.h>
using SocketHandle = SOCKET;
using SockLen = int;
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketHandle = int;
using SockLen = socklen_t;
#endif

namespace pop3 {

namespace {

// Received text is taken in blocks of at most this many bytes; a zero byte ends a block's text.
constexpr std::size_t kBlock = 1023;
constexpr std::size_t kBlocksPerReceive = 16;

#ifdef _WIN32
const std::intptr_t kInvalid = static_cast<std::intptr_t>(INVALID_SOCKET);
constexpr int kSendFlags = 0;
int closeHandle(SocketHandle s) { return closesocket(s); }
bool wouldBlock() {
    int e = WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINPROGRESS;
}
bool interrupted() { return WSAGetLastError() == WSAEINTR; }
bool setBlocking(SocketHandle s, bool blocking) {
    u_long nonBlocking = blocking ? 0 : 1;
    return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}
#else
constexpr std::intptr_t kInvalid = -1;
// A peer that closed must not end the process with SIGPIPE.
constexpr int kSendFlags = MSG_NOSIGNAL;
int closeHandle(SocketHandle s) { return ::close(s); }
bool wouldBlock() { return errno == EINPROGRESS || errno == EWOULDBLOCK || errno == EAGAIN; }
bool interrupted() { return errno == EINTR; }
bool setBlocking(SocketHandle s, bool blocking) {
    int flags = ::fcntl(s, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return ::fcntl(s, F_SETFL, flags) == 0;
}
#endif

SocketHandle sock(std::intptr_t h) { return static_cast<SocketHandle>(h); }

#ifdef _WIN32
timeval toTimeval(std::chrono::milliseconds ms) {
    timeval tv;
    tv.tv_sec = static_cast<long>(ms.count() / 1000);
    tv.tv_usec = static_cast<long>((ms.count() % 1000) * 1000);
    return tv;
}
#endif

using Clock = std::chrono::steady_clock;

// The end of one wait: the I/O bound from now, or the socket's deadline if sooner.
Deadline waitEnd(Deadline deadline) { return std::min(Clock::now() + ioTimeout(), deadline); }

// Waits until the socket is readable (or, for a connect or a send, writable or failed)
// before the end. False when the time ran out or the wait failed.
bool waitFor(SocketHandle s, bool forWrite, Deadline end) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() < 0) left = std::chrono::milliseconds(0);
#ifdef _WIN32
        fd_set set, failed;
        FD_ZERO(&set);
        FD_ZERO(&failed);
        FD_SET(s, &set);
        FD_SET(s, &failed);
        timeval tv = toTimeval(left);
        // Winsock reports a refused connect in the exception set.
        int r = forWrite ? ::select(0, nullptr, &set, &failed, &tv)
                         : ::select(0, &set, nullptr, nullptr, &tv);
#else
        // poll rather than select: no limit on the descriptor's number.
        pollfd p{s, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
        int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1 << 30)));
#endif
        if (r > 0) return true;
        if (r == 0) return false;
        if (!interrupted()) return false;
    }
}

bool lookUpName(const char* host, in_addr* out) {
#ifdef _WIN32
    hostent* entry = ::gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list[0]) return false;
    std::memcpy(out, entry->h_addr_list[0],
                std::min<std::size_t>(sizeof *out, static_cast<std::size_t>(entry->h_length)));
    return true;
#else
    // getaddrinfo is the thread-safe form of the same IPv4 lookup.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &result) != 0 || !result) return false;
    *out = reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr;
    ::freeaddrinfo(result);
    return true;
#endif
}

// A name lookup has no time-out of its own, so it runs on a thread of its own and is
// abandoned when the end comes first; the thread finishes in its own time.
struct Lookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool found = false;
    in_addr address{};
};

bool resolve(const char* host, in_addr* out, Deadline end) {
    unsigned long dotted = ::inet_addr(host);
    if (dotted != INADDR_NONE) {
        out->s_addr = static_cast<decltype(out->s_addr)>(dotted);
        return true;
    }
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, name = std::string(host)] {
            in_addr address{};
            bool found = lookUpName(name.c_str(), &address);
            std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->found = found;
            lookup->address = address;
            lookup->finished = true;
            lookup->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return lookUpName(host, out);  // no thread to spare: look up here
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    if (!lookup->done.wait_until(lock, end, [&] { return lookup->finished; }) || !lookup->found)
        return false;
    *out = lookup->address;
    return true;
}

}  // namespace

TcpSocket::TcpSocket() : handle_(kInvalid) {}

TcpSocket::~TcpSocket() { disconnect(); }

int TcpSocket::connectTo(const char* host, int port) {
    host_ = host ? host : "";
    port_ = port;
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    if (!host || !resolve(host, &addr.sin_addr, waitEnd(deadline_))) return 0;
    addr.sin_port = htons(static_cast<unsigned short>(port));

    SocketHandle s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (static_cast<std::intptr_t>(s) == kInvalid) return 0;
    handle_ = static_cast<std::intptr_t>(s);

    // The socket stays non-blocking for good: every connect, send and receive waits for
    // readiness within its bound instead of blocking in the call.
    if (!setBlocking(s, false)) return 0;
    if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (!wouldBlock() || !waitFor(s, true, waitEnd(deadline_))) return 0;
        int error = 0;
        SockLen len = sizeof error;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len) != 0 ||
            error != 0)
            return 0;
    }
    return 1;
}

TlsFailure TcpSocket::startTls(const std::string& serverName) {
    if (handle_ == kInvalid) return TlsFailure::Handshake;
    tls_ = TlsChannel::create();
    if (!tls_) return TlsFailure::Unavailable;
    pending_.clear();
    start_ = 0;
    scanned_ = 0;
    const TlsFailure failure = tls_->handshake(*this, serverName);
    if (failure != TlsFailure::None) disconnect();
    return failure;
}

bool TcpSocket::sendAll(const char* data, std::size_t left) {
    while (left > 0) {
        int chunk = static_cast<int>(std::min<std::size_t>(left, 1 << 30));
        auto n = ::send(sock(handle_), data, chunk, kSendFlags);
        if (n > 0) {
            data += n;
            left -= static_cast<std::size_t>(n);
            continue;
        }
        // A peer that stops reading fills our buffer: wait for room, but not for ever.
        if (n < 0 && (interrupted() || (wouldBlock() && waitFor(sock(handle_), true, waitEnd(deadline_)))))
            continue;
        return false;
    }
    return true;
}

std::size_t TcpSocket::receiveSome(char* buffer, std::size_t size) {
    int n;
    for (;;) {
        if (!waitFor(sock(handle_), false, waitEnd(deadline_))) return 0;
        n = static_cast<int>(::recv(sock(handle_), buffer, static_cast<int>(std::min<std::size_t>(size, 1 << 30)), 0));
        if (n >= 0 || !(interrupted() || wouldBlock())) break;
    }
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool TcpSocket::sendText(std::string_view text) {
    if (handle_ == kInvalid) return false;
    const bool sent = tls_ ? tls_->send(*this, text) : sendAll(text.data(), text.size());
    // A send that failed or ran out of time closes the socket, so the missing reply
    // shows at once.
    if (!sent) disconnect();
    return sent;
}

// Receives what has arrived (at least one byte) within the I/O bound and appends it to the
// pending text block by block. False on error, time-out or close.
bool TcpSocket::receiveBlock() {
    if (tls_) {
        std::string block;
        if (!tls_->receive(*this, block, kBlock)) return false;
        received_ += block.size();
        pending_.append(block.c_str(), strnlen(block.c_str(), block.size()));
        return true;
    }
    // Whatever has arrived is taken in one call and cut into blocks here: one call per
    // 1023 bytes made a long listing cost hundreds of waits, each a slow round trip to the
    // system under some socket layers.
    char buffer[kBlocksPerReceive * kBlock];
    const std::size_t n = receiveSome(buffer, sizeof buffer);
    if (n == 0) return false;
    received_ += n;
    for (std::size_t at = 0; at < n; at += kBlock) {
        pending_.append(buffer + at, strnlen(buffer + at, std::min(kBlock, n - at)));
    }
    return true;
}

std::optional<std::string> TcpSocket::readLine() {
    if (handle_ == kInvalid) return std::nullopt;
    std::size_t lf;
    // Only the bytes that arrived since the last look are scanned, so a long line costs
    // linear time however many blocks it takes. Lines are taken from the front by moving
    // start_; the bytes before it go only when more must be received, so a block of many
    // short lines is not shifted once per line.
    while ((lf = pending_.find('\n', scanned_)) == std::string::npos) {
        if (pending_.size() - start_ > kMaxLineLength || received_ > kMaxLineLength) {
            pending_.clear();
            start_ = 0;
            scanned_ = 0;
            received_ = 0;
            return std::nullopt;
        }
        pending_.erase(0, start_);
        start_ = 0;
        scanned_ = pending_.size();
        if (!receiveBlock()) return std::nullopt;
    }
    const std::size_t begin = start_;
    start_ = lf + 1;
    scanned_ = start_;
    received_ = pending_.size() - start_;
    if (lf - begin > kMaxLineLength) return std::nullopt;
    const std::size_t end = (lf > begin && pending_[lf - 1] == '\r') ? lf - 1 : lf;
    return pending_.substr(begin, end - begin);
}

void TcpSocket::disconnect() {
    if (handle_ == kInvalid) return;
#ifdef _WIN32
    BOOL dontLinger = FALSE;
    ::setsockopt(sock(handle_), SOL_SOCKET, SO_DONTLINGER, reinterpret_cast<const char*>(&dontLinger),
                 sizeof dontLinger);
#endif
    closeHandle(sock(handle_));
    handle_ = kInvalid;
    tls_.reset();
    pending_.clear();
    start_ = 0;
    scanned_ = 0;
    received_ = 0;
}

int LineConnection::connectTo(const char* host, int port) {
    socket_ = std::make_unique<TcpSocket>();
    socket_->setDeadline(deadline_);
    if (socket_->connectTo(host, port) != 1) {
        socket_.reset();
        return 0;
    }
    return 1;
}

int LineConnection::sendLine(std::string_view text) {
    if (!socket_) return 0;
    // One write per line: a separate CR LF would wait for the server's delayed
    // acknowledgement of the command (Nagle), tens of milliseconds per command.
    std::string line;
    line.reserve(text.size() + 2);
    line.append(text).append("\r\n");
    socket_->sendText(line);
    return 1;
}

int LineConnection::sendLines(const std::vector<std::string>& lines) {
    if (!socket_) return 0;
    std::string block;
    for (const std::string& line : lines) block.append(line).append("\r\n");
    socket_->sendText(block);
    return 1;
}

std::optional<std::string> LineConnection::readLine() {
    if (!socket_) return std::nullopt;
    return socket_->readLine();
}

void LineConnection::setDeadline(Deadline deadline) {
    deadline_ = deadline;
    if (socket_) socket_->setDeadline(deadline);
}

TlsFailure LineConnection::startTls(const std::string& serverName) {
    if (!socket_) return TlsFailure::Handshake;
    return socket_->startTls(serverName);
}

}  // namespace pop3
