#include <atomic>

#include "pop3/line_connection.h"

namespace pop3 {

namespace {
std::atomic<long long> g_timeoutMs{60'000};
}

void setIoTimeout(std::chrono::milliseconds timeout) {
    g_timeoutMs.store(timeout.count());
}

std::chrono::milliseconds ioTimeout() {
    return std::chrono::milliseconds(g_timeoutMs.load());
}

}  // namespace pop3
