// TLS under the line reader: the handshake, then record encryption on send and
// decryption on receive, over a connected socket. The POP3 dialogue above it is the
// same with or without it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace pop3 {

// Why a secure connection could not be made.
enum class TlsFailure {
    None,
    Unavailable,   // this build has no TLS
    Handshake,     // the handshake failed or the server broke it off
    Untrusted,     // the certificate does not lead to a trusted root
    NameMismatch,  // the certificate is for another host
    Expired,       // the certificate is out of its validity period
    NoStls,        // the server refused STLS
};

// The socket beneath: both calls wait no longer than the I/O bound.
class RawStream {
public:
    virtual ~RawStream() = default;
    virtual bool sendAll(const char* data, std::size_t size) = 0;
    // Up to `size` bytes; 0 on close, error or time-out.
    virtual std::size_t receiveSome(char* buffer, std::size_t size) = 0;
};

class TlsChannel {
public:
    // The platform's TLS, or null when this build has none.
    static std::unique_ptr<TlsChannel> create();

    virtual ~TlsChannel() = default;
    // Handshake and certificate check against `serverName`; TLS 1.2 or newer only.
    virtual TlsFailure handshake(RawStream& raw, const std::string& serverName) = 0;
    virtual bool send(RawStream& raw, std::string_view plain) = 0;
    // Appends at most `limit` decrypted bytes (at least one); false on close, error or time-out.
    virtual bool receive(RawStream& raw, std::string& plain, std::size_t limit) = 0;
};

}  // namespace pop3
