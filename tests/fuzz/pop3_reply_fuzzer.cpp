// Fuzzes the handling of everything a POP3 server may send: the input is the server's
// whole byte stream, played over a real loopback connection to the check's scan (log on,
// list, fetch the new headers, reconcile with a stored list, save it, QUIT). Each input is
// played to two scans sharing a kept list, the second compared with a scan of a fresh
// load of the same file, and to a scan that asks for STLS, which must never log on here.
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
#include <iterator>
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
    // What the client sent on the last connection served.
    std::string heard() {
        std::lock_guard<std::mutex> lock(mutex_);
        return heard_;
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
            std::string heard;
            char block[4096];
            for (;;) {
                // Acknowledge at once: the client sends each command in two pieces and
                // would otherwise wait for a delayed acknowledgement every time.
                int one = 1;
                ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 10000) <= 0) break;
                const ssize_t n = ::recv(fd, block, sizeof block, 0);
                if (n <= 0) break;
                heard.append(block, static_cast<std::size_t>(n));
            }
            ::close(fd);
            std::lock_guard<std::mutex> lock(mutex_);
            heard_ = std::move(heard);
            ++served_;
            done_.notify_all();
        }
    }

    int listenFd_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable done_;
    std::string input_;
    std::string heard_;
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

const std::string& listDir() {
    static const std::string dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("mwfuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d.string();
    }();
    return dir;
}

std::string listPath(const char* name) { return (std::filesystem::path(listDir()) / name).string(); }

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void checkHeader(const pop3::HeaderList& h) {
    for (const pop3::HeaderField& field : h.fields()) {
        if (field.name.empty() || field.name.find(' ') != std::string::npos) std::abort();
    }
    pop3::headerValue(h, pop3::HeaderFrom);
}

void checkAnnounced(const pop3::POP3Session& session, int newCount) {
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
}

pop3::ScanResult scan(Feeder& f, const std::string& path, int security, pop3::KeptStoredList* kept) {
    pop3::ScanResult r = pop3::scanMailbox(path, "user", "password", "127.0.0.1", security, f.port(),
                                           checkAnnounced, {}, kept);
    f.waitServed(++g_runs);
    if (r.opened && r.saved) {
        // The file holds what the scan ended with: its length, and a new flag on
        // exactly the new messages.
        pop3::StoredMessageList back;
        back.loadFile(path);
        if (back.length() != r.listLength) std::abort();
        int flagged = 0;
        for (const pop3::StoredMessage& e : back) {
            flagged += e.newFlag == 1;
            checkHeader(*e.header());
        }
        if (flagged != r.newCount) std::abort();
    }
    return r;
}

bool sameResult(const pop3::ScanResult& a, const pop3::ScanResult& b) {
    return a.opened == b.opened && a.fetchedAll == b.fetchedAll && a.newCount == b.newCount && a.saved == b.saved &&
           a.listLength == b.listLength;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Feeder& f = feeder();
    f.setInput(std::string(reinterpret_cast<const char*>(data), size));
    const std::string kept = listPath("UIDL");
    const std::string fresh = listPath("UIDL-fresh");

    // Two checks in a row, the second with the list the first kept.
    pop3::KeptStoredList keptList;
    std::ofstream(kept, std::ios::binary | std::ios::trunc) << startingList();
    scan(f, kept, pop3::SecurityNone, &keptList);
    const std::string between = fileBytes(kept);
    const pop3::ScanResult second = scan(f, kept, pop3::SecurityNone, &keptList);
    // The same check from a fresh load of the same file must end the same way.
    std::filesystem::remove(fresh);
    if (!between.empty()) std::ofstream(fresh, std::ios::binary | std::ios::trunc) << between;
    const pop3::ScanResult reference = scan(f, fresh, pop3::SecurityNone, nullptr);
    if (!sameResult(second, reference) || fileBytes(kept) != fileBytes(fresh)) std::abort();

    // Asked for STLS, whatever the server answers: no TLS library here, so no logon, and
    // the account never goes out in the clear.
    std::ofstream(kept, std::ios::binary | std::ios::trunc) << startingList();
    const pop3::ScanResult secure = scan(f, kept, pop3::SecuritySTLS, nullptr);
    const std::string wire = f.heard();
    if (secure.opened || wire.find("USER") != std::string::npos || wire.find("password") != std::string::npos)
        std::abort();
    return 0;
}
