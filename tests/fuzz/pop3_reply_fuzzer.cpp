// Fuzzes the handling of everything a POP3 server may send: the input is the server's
// whole byte stream, played to a session that logs on, lists the mailbox and fetches
// every header, over a real loopback connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "pop3/header_list.h"
#include "pop3/pop3_session.h"

namespace {

// Serves one connection per run: writes the run's bytes, ends its side, and reads what
// the client says until it closes.
class Feeder {
public:
    Feeder() {
        listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listenFd_, 8) != 0 ||
            ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            std::abort();
        port_ = ntohs(addr.sin_port);
        std::thread([this] { serve(); }).detach();
    }
    int port() const { return port_; }
    void setInput(std::string input) {
        std::lock_guard<std::mutex> lock(mutex_);
        input_ = std::move(input);
    }
    // Waits until the server side of the last connection is closed.
    void waitServed(unsigned long long run) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return served_ >= run; });
    }

private:
    void serve() {
        for (;;) {
            int fd = ::accept(listenFd_, nullptr, nullptr);
            if (fd < 0) continue;
            std::string input;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                input = input_;
            }
            std::size_t done = 0;
            while (done < input.size()) {
                ssize_t n = ::send(fd, input.data() + done, input.size() - done, MSG_NOSIGNAL);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::shutdown(fd, SHUT_WR);
            char block[4096];
            for (;;) {
                // Acknowledge at once: the client sends each command in two pieces and
                // would otherwise wait for a delayed acknowledgement every time.
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 10000) <= 0) break;
                if (::recv(fd, block, sizeof block, 0) <= 0) break;
            }
            ::close(fd);
            std::lock_guard<std::mutex> lock(mutex_);
            ++served_;
            done_.notify_all();
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable done_;
    std::string input_;
    unsigned long long served_ = 0;
};

Feeder& feeder() {
    static Feeder* f = [] {
        // The feeder always ends its side, so no wait should come near this.
        pop3::setIoTimeout(std::chrono::seconds(10));
        return new Feeder;
    }();
    return *f;
}

unsigned long long g_runs = 0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Feeder& f = feeder();
    f.setInput(std::string(reinterpret_cast<const char*>(data), size));
    {
        pop3::POP3Session session;
        if (session.open("user", "password", "127.0.0.1", f.port()) == 1) {
            session.fetchAllHeaders();
            char uid[pop3::kUidField];
            for (int i = 0; i < session.getCount(); ++i) {
                if (!session.getUid(i, uid)) std::abort();  // listed entries must all be there
                if (session.getSize(i) == -1 && session.getHeader(i)) std::abort();
                if (const pop3::HeaderList* h = session.getHeader(i)) {
                    for (const pop3::HeaderField& field : h->fields()) {
                        if (field.name.empty() || field.name.find(' ') != std::string::npos) std::abort();
                    }
                    pop3::headerValue(*h, pop3::HeaderFrom);
                }
            }
        }
        session.close();
    }
    f.waitServed(++g_runs);
    return 0;
}
