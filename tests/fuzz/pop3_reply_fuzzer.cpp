// Fuzzes the handling of everything a POP3 server may send: the input is the server's
// whole byte stream, played over a real loopback connection to the check's scan (log on,
// list, fetch the new headers, reconcile with a stored list, save it, QUIT).
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
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "pop3/header_list.h"
#include "pop3/mailbox_scan.h"
#include "pop3/stored_list.h"

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

// The stored list each run starts from: ids a server's listing may well name (short ids
// and LIST lines), so the scan meets known messages as well as new ones.
const std::string& startingList() {
    static const std::string bytes = [] {
        pop3::StoredMessageList list;
        for (const char* uid : {"a", "b", "1", "1 1", "2 2", "1 10"}) list.append(uid, 1);
        return list.storedBytes();
    }();
    return bytes;
}

const std::string& listPath() {
    static const std::string path = [] {
        auto dir = std::filesystem::temp_directory_path() / ("mwfuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return (dir / "UIDL").string();
    }();
    return path;
}

void checkHeader(const pop3::HeaderList& h) {
    for (const pop3::HeaderField& field : h.fields()) {
        if (field.name.empty() || field.name.find(' ') != std::string::npos) std::abort();
    }
    pop3::headerValue(h, pop3::HeaderFrom);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Feeder& f = feeder();
    f.setInput(std::string(reinterpret_cast<const char*>(data), size));
    {
        std::ofstream(listPath(), std::ios::binary | std::ios::trunc) << startingList();
        pop3::ScanResult r = pop3::scanMailbox(
            listPath(), "user", "password", "127.0.0.1", pop3::SecurityNone, f.port(),
            [](const pop3::POP3Session& session, int newCount) {
                int held = 0;
                char uid[pop3::kUidField];
                for (int i = 0; i < session.getCount(); ++i) {
                    if (!session.getUid(i, uid)) std::abort();  // listed entries must all be there
                    if (const pop3::HeaderList* h = session.getHeader(i)) {
                        ++held;
                        checkHeader(*h);
                    }
                }
                if (held != newCount) std::abort();
            });
        if (r.opened && r.saved) {
            // The file holds what the scan ended with: its length, and a new flag on
            // exactly the new messages.
            pop3::StoredMessageList back;
            back.loadFile(listPath());
            if (back.length() != r.listLength) std::abort();
            int flagged = 0;
            for (const pop3::StoredMessage& e : back) {
                flagged += e.newFlag == 1;
                checkHeader(*e.header());
            }
            if (flagged != r.newCount) std::abort();
        }
    }
    f.waitServed(++g_runs);
    return 0;
}
