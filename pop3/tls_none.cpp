// Builds without a platform TLS library: a secure mode fails cleanly.
#ifndef _WIN32

#include "pop3/tls_channel.h"

namespace pop3 {

std::unique_ptr<TlsChannel> TlsChannel::create() {
    return nullptr;
}

}  // namespace pop3

#endif
