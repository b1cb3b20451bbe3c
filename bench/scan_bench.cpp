// Mailbox scan at scale: a private Dovecot on loopback holding 1,000, 10,000 and 100,000
// generated messages, scanned by the real path (load "UIDL", open, fetchNewHeaders,
// reconcile, save, close). Prints for each size the first check (all new), the second
// check (none new), the floor (a bare STAT, LIST, UIDL, QUIT exchange), one TOP round
// trip, the peak memory and the size of the "UIDL" file.
//
// usage: scan_bench [COUNT...]      (default 1000 10000 100000)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "fixtures/mailbox_scan.h"
#include "pop3/stored_list.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kUser = "mailwick";
const std::string kPassword = "secret";

std::string sourceDir() {
    const char* v = std::getenv("MAILWICK_SOURCE_DIR");
    return v && *v ? v : MAILWICK_BENCH_SOURCE_DIR;
}
std::string workDir() {
    const char* v = std::getenv("MAILWICK_BENCH_DIR");
    return v && *v ? v : MAILWICK_BENCH_WORK_DIR;
}

int dovecot(const std::string& args) {
    std::string command = "bash '" + sourceDir() + "/tests/fixtures/dovecot.sh' " + args;
    return std::system(command.c_str());
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double timeIt(const std::function<void()>& f) {
    auto start = Clock::now();
    f();
    return seconds(Clock::now() - start);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long peakRssKiB() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// A message as a mail system would deliver it: a few hops, the usual fields, a short body.
std::string makeMessage(int n) {
    static const char* const kNames[] = {"Ann Archer", "Bob Baker", "Cid Cooper", "Dee Draper",
                                         "Eve Evans", "Fay Fisher", "Gus Grant", "Hal Hughes"};
    static const char* const kWords[] = {"meeting", "invoice", "holiday", "report", "draft",
                                         "lunch", "release", "question", "photos", "minutes"};
    static const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun"};
    const char* name = kNames[n % 8];
    char date[64];
    std::snprintf(date, sizeof date, "%s, %02d %s 2023 %02d:%02d:%02d +0100", kDays[n % 7],
                  1 + n % 28, kMonths[n % 6], n % 24, n % 60, (n * 7) % 60);
    std::string m;
    m += "Return-Path: <user" + std::to_string(n % 97) + "@example.org>\r\n";
    m += "Delivered-To: mailwick@example.net\r\n";
    m += "Received: from mx" + std::to_string(n % 5) +
         ".example.net (mx.example.net [192.0.2.25])\r\n\tby pop.example.net with ESMTPS id " +
         std::to_string(1000000 + n) + "\r\n\tfor <mailwick@example.net>; " + date + "\r\n";
    m += "Received: from client.example.org ([198.51.100.7])\r\n\tby smtp.example.org with ESMTPSA; " +
         std::string(date) + "\r\n";
    m += "From: " + std::string(name) + " <user" + std::to_string(n % 97) + "@example.org>\r\n";
    m += "To: Mailwick User <mailwick@example.net>\r\n";
    if (n % 3 == 0) m += "Cc: team@example.org\r\n";
    m += "Subject: Re: " + std::string(kWords[n % 10]) + " " + kWords[(n / 10) % 10] +
         " number " + std::to_string(n) + "\r\n";
    m += "Date: " + std::string(date) + "\r\n";
    m += "Message-ID: <" + std::to_string(n) + ".bench@example.org>\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=utf-8\r\n";
    m += "\r\n";
    for (int line = 0; line < 4 + n % 6; ++line)
        m += "Line " + std::to_string(line) + " of the message body, some ordinary text.\r\n";
    return m;
}

// Writes the messages straight into cur/ with the sizes in their names, as a delivery
// agent would, so the server need not read each file to list it.
void fillMaildir(const fs::path& maildir, int count) {
    fs::path cur = maildir / "cur";
    for (int n = 1; n <= count; ++n) {
        std::string m = makeMessage(n);
        std::string name = "1700000000.M" + std::to_string(n) + "P1.bench,S=" +
                           std::to_string(m.size()) + ",W=" + std::to_string(m.size()) + ":2,S";
        std::ofstream(cur / name, std::ios::binary).write(m.data(), std::streamsize(m.size()));
    }
    std::string chown = "chown -R nobody '" + maildir.string() + "'";
    if (std::system(chown.c_str()) != 0) std::cerr << "chown failed\n";
}

// A minimal POP3 client for the floor and the TOP round trip: large reads, no parsing
// beyond finding the end of each reply.
class RawClient {
public:
    RawClient(const std::string& ip, bool noDelay) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        int one = 1;
        if (noDelay) ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(110);
        ::inet_pton(AF_INET, ip.c_str(), &a.sin_addr);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            std::perror("connect");
            std::exit(1);
        }
        reply(false);
    }
    ~RawClient() { ::close(fd_); }

    // splitSend: the line and its CR LF in two sends, as the line connection sends them.
    void command(const std::string& line, bool multiline, bool splitSend = false) {
        if (splitSend) {
            if (::send(fd_, line.data(), line.size(), 0) < 0 || ::send(fd_, "\r\n", 2, 0) < 0)
                std::exit(1);
        } else {
            std::string out = line + "\r\n";
            if (::send(fd_, out.data(), out.size(), 0) < 0) std::exit(1);
        }
        reply(multiline);
    }

private:
    void reply(bool multiline) {
        std::string_view end = multiline ? "\r\n.\r\n" : "\r\n";
        buffer_.clear();
        char block[65536];
        for (;;) {
            if (buffer_.size() >= end.size() &&
                buffer_.compare(buffer_.size() - end.size(), end.size(), end) == 0) {
                if (buffer_[0] != '+') {
                    std::cerr << "server said: " << buffer_.substr(0, 80) << "\n";
                    std::exit(1);
                }
                return;
            }
            ssize_t n = ::recv(fd_, block, sizeof block, 0);
            if (n <= 0) std::exit(1);
            buffer_.append(block, std::size_t(n));
        }
    }

    int fd_;
    std::string buffer_;
};

double floorExchange(const std::string& ip) {
    return timeIt([&] {
        RawClient c(ip, false);
        c.command("USER " + kUser, false);
        c.command("PASS " + kPassword, false);
        c.command("STAT", false);
        c.command("LIST", true);
        c.command("UIDL", true);
        c.command("QUIT", false);
    });
}

double topRoundTrip(const std::string& ip, int count, bool splitSend) {
    RawClient c(ip, !splitSend);
    c.command("USER " + kUser, false);
    c.command("PASS " + kPassword, false);
    const int samples = std::min(count, 500);
    std::vector<double> t;
    for (int i = 0; i < samples; ++i) {
        int n = 1 + int((long long)i * count / samples);
        t.push_back(timeIt([&] { c.command("TOP " + std::to_string(n) + " 0", true, splitSend); }));
    }
    c.command("QUIT", false);
    return median(t);
}

// Where a check's time goes.
struct Stages {
    double load = 0, open = 0, fetch = 0, reconcile = 0, save = 0, close = 0;
    void print(const char* what) const {
        std::printf("      %s: load %.3f  open %.3f  fetch %.3f  reconcile %.3f  save %.3f  close %.3f s\n",
                    what, load, open, fetch, reconcile, save, close);
    }
};

// The scan as the check runs it, with the time of each stage.
mwtest::ScanResult scan(const std::string& listPath, const std::string& ip, Stages* stages) {
    mwtest::ScanResult r;
    pop3::StoredMessageList list;
    pop3::POP3Session session;
    stages->load = timeIt([&] { list.loadFile(listPath); });
    stages->open = timeIt([&] { r.opened = session.open(kUser.c_str(), kPassword.c_str(), ip.c_str(), 110); });
    if (!r.opened) return r;
    stages->fetch = timeIt([&] {
        list.clearPresentMarks();
        r.fetchedAll = session.fetchNewHeaders(list);
    });
    stages->reconcile = timeIt([&] { r.newCount = pop3::reconcileStoredList(list, session); });
    stages->save = timeIt([&] { r.saved = list.saveFile(listPath); });
    stages->close = timeIt([&] { session.close(); });
    return r;
}

void runSize(int count, const std::string& ip) {
    fs::path dir = fs::path(workDir()) / ("dovecot-" + ip);
    dovecot("stop '" + dir.string() + "'");
    fs::remove_all(dir / "home");
    if (dovecot("start '" + dir.string() + "' " + ip + " " + kUser + " " + kPassword) != 0) {
        std::cerr << "dovecot did not start on " << ip << "\n";
        std::exit(1);
    }
    fs::path maildir = dir / "home" / kUser / "Maildir";
    double fill = timeIt([&] { fillMaildir(maildir, count); });
    // The server's first session indexes the mailbox; not part of any figure.
    double index = floorExchange(ip);

    std::vector<double> floors;
    for (int i = 0; i < 5; ++i) floors.push_back(floorExchange(ip));
    double floor = median(floors);
    double top = topRoundTrip(ip, count, false);
    double topSplit = topRoundTrip(ip, count, true);

    const std::string listPath = (dir / "UIDL").string();
    fs::remove(listPath);
    mwtest::ScanResult first;
    Stages firstStages, secondStages;
    double firstCheck = timeIt([&] { first = scan(listPath, ip, &firstStages); });
    if (!first.opened || first.newCount != count || !first.saved) {
        std::cerr << "first check: opened " << first.opened << " new " << first.newCount << "\n";
        std::exit(1);
    }
    long fileSize = long(fs::file_size(listPath));

    std::vector<double> seconds;
    for (int i = 0; i < 3; ++i) {
        mwtest::ScanResult again;
        Stages stages;
        seconds.push_back(timeIt([&] { again = scan(listPath, ip, &stages); }));
        if (i == 0 || seconds.back() <= *std::min_element(seconds.begin(), seconds.end()))
            secondStages = stages;
        if (!again.opened || again.newCount != 0 || !again.saved) {
            std::cerr << "second check: opened " << again.opened << " new " << again.newCount << "\n";
            std::exit(1);
        }
    }
    double secondCheck = median(seconds);
    dovecot("stop '" + dir.string() + "'");

    double firstTarget = 2 * (floor + count * top);
    std::printf("%7d messages  (maildir written in %.2f s, server indexing %.2f s)\n", count, fill, index);
    std::printf("  floor  STAT+LIST+UIDL+QUIT  %9.3f s   (median of 5)\n", floor);
    std::printf("  one TOP n 0 round trip      %9.1f us  (median of %d; %.1f us when the line and its\n"
                "                                           CR LF go in two sends, as the client sends them)\n",
                top * 1e6, std::min(count, 500), topSplit * 1e6);
    std::printf("  first check, all new        %9.3f s   target <= 2 x (floor + n x TOP) = %.3f s  %s\n",
                firstCheck, firstTarget, firstCheck <= firstTarget ? "met" : "MISSED");
    firstStages.print("first ");
    std::printf("  second check, none new      %9.3f s   = %.2f x floor (target <= 1.5 x)  %s\n",
                secondCheck, secondCheck / floor, secondCheck <= 1.5 * floor ? "met" : "MISSED");
    secondStages.print("second (fastest)");
    std::printf("  \"UIDL\" file                 %9ld bytes (%.0f per message)\n", fileSize,
                double(fileSize) / count);
    std::printf("  peak memory so far          %9ld KiB\n\n", peakRssKiB());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {1000, 10000, 100000};
    pop3::setIoTimeout(std::chrono::seconds(120));
    // The benchmark's own loopback addresses, one server per size.
    int address = 30;
    for (int count : sizes) runSize(count, "127.0.0." + std::to_string(address++ % 10 + 30));
    return 0;
}
