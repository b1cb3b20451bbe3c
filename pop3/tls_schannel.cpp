// TLS through the platform's own library (SChannel over SSPI). The certificate is checked
// here, against the trusted roots and the server name, not left to SChannel's defaults.
#ifdef _WIN32

#define SECURITY_WIN32
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS  // the revocation fetch's time bound
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstring>

#include "pop3/tls_channel.h"

namespace pop3 {

namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
// A TLS record is at most about 18 KiB; more undecodable bytes than this is not TLS.
constexpr std::size_t kMaxIncoming = 64 * 1024;
constexpr int kMaxHandshakeRounds = 64;
constexpr DWORD kRevocationTimeoutMs = 15'000;
// SECURITY_FLAG_IGNORE_REVOCATION of the SSL policy (declared in wininet.h).
constexpr DWORD kIgnoreRevocationErrors = 0x00000080;

// Errors of the chain itself that refuse it whatever the policy says. Not every policy
// looks at basic or name constraints (Wine's does not), and without them any end
// certificate of a trusted authority could issue one for any server.
constexpr DWORD kUntrusted = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                             CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_CYCLIC |
                             CERT_TRUST_INVALID_BASIC_CONSTRAINTS | CERT_TRUST_INVALID_EXTENSION |
                             CERT_TRUST_INVALID_NAME_CONSTRAINTS | CERT_TRUST_HAS_NOT_SUPPORTED_NAME_CONSTRAINT |
                             CERT_TRUST_HAS_NOT_DEFINED_NAME_CONSTRAINT |
                             CERT_TRUST_HAS_NOT_PERMITTED_NAME_CONSTRAINT |
                             CERT_TRUST_HAS_EXCLUDED_NAME_CONSTRAINT;

std::wstring Widen(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

class SchannelChannel final : public TlsChannel {
public:
    ~SchannelChannel() override {
        if (haveContext_) DeleteSecurityContext(&context_);
        if (haveCredentials_) FreeCredentialsHandle(&credentials_);
    }

    TlsFailure handshake(RawStream& raw, const std::string& serverName) override;
    bool send(RawStream& raw, std::string_view plain) override;
    bool receive(RawStream& raw, std::string& plain, std::size_t limit) override;

private:
    bool acquireCredentials();
    bool readMore(RawStream& raw);
    // Sends and frees a token the library allocated; false when sending failed.
    static bool sendToken(RawStream& raw, SecBuffer& token);
    TlsFailure checkCertificate(const std::string& serverName);

    CredHandle credentials_{};
    bool haveCredentials_ = false;
    CtxtHandle context_{};
    bool haveContext_ = false;
    SecPkgContext_StreamSizes sizes_{};
    std::string incoming_;  // received, not yet decrypted
    std::string plain_;     // decrypted, not yet handed on
};

bool SchannelChannel::acquireCredentials() {
    SCHANNEL_CRED cred{};
    cred.dwVersion = SCHANNEL_CRED_VERSION;
    cred.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
    cred.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
    TimeStamp expiry;
    char package[] = UNISP_NAME_A;
    haveCredentials_ = AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, &cred, nullptr,
                                                 nullptr, &credentials_, &expiry) == SEC_E_OK;
    return haveCredentials_;
}

bool SchannelChannel::readMore(RawStream& raw) {
    if (incoming_.size() >= kMaxIncoming) return false;
    char buffer[16 * 1024];
    const std::size_t n = raw.receiveSome(buffer, std::min(sizeof buffer, kMaxIncoming - incoming_.size()));
    if (n == 0) return false;
    incoming_.append(buffer, n);
    return true;
}

bool SchannelChannel::sendToken(RawStream& raw, SecBuffer& token) {
    if (!token.pvBuffer) return true;
    const bool sent = token.cbBuffer == 0 || raw.sendAll(static_cast<const char*>(token.pvBuffer), token.cbBuffer);
    FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    return sent;
}

TlsFailure SchannelChannel::handshake(RawStream& raw, const std::string& serverName) {
    if (!acquireCredentials()) return TlsFailure::Handshake;
    std::string target = serverName;  // also sent as the server name indication

    SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
    ULONG attributes = 0;
    SECURITY_STATUS status = InitializeSecurityContextA(&credentials_, nullptr, target.data(), kContextFlags, 0, 0,
                                                        nullptr, 0, &context_, &outDesc, &attributes, nullptr);
    if (status != SEC_I_CONTINUE_NEEDED) return TlsFailure::Handshake;
    haveContext_ = true;
    if (!sendToken(raw, out)) return TlsFailure::Handshake;

    for (int round = 0; round < kMaxHandshakeRounds; ++round) {
        if (incoming_.empty() || status == SEC_E_INCOMPLETE_MESSAGE) {
            if (!readMore(raw)) return TlsFailure::Handshake;
        }
        SecBuffer in[2] = {{static_cast<ULONG>(incoming_.size()), SECBUFFER_TOKEN, incoming_.data()},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
        out = {0, SECBUFFER_TOKEN, nullptr};
        status = InitializeSecurityContextA(&credentials_, &context_, target.data(), kContextFlags, 0, 0, &inDesc, 0,
                                            nullptr, &outDesc, &attributes, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) continue;
        // Sent on failure too: it carries the alert that tells the server why.
        const bool sent = sendToken(raw, out);
        if (in[1].BufferType == SECBUFFER_EXTRA && in[1].cbBuffer > 0 && in[1].cbBuffer <= incoming_.size()) {
            incoming_.erase(0, incoming_.size() - in[1].cbBuffer);
        } else {
            incoming_.clear();
        }
        if (!sent) return TlsFailure::Handshake;
        if (status == SEC_E_OK) {
            if (QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_) != SEC_E_OK ||
                sizes_.cbMaximumMessage == 0)
                return TlsFailure::Handshake;
            return checkCertificate(serverName);
        }
        if (status != SEC_I_CONTINUE_NEEDED) return TlsFailure::Handshake;
    }
    return TlsFailure::Handshake;
}

TlsFailure SchannelChannel::checkCertificate(const std::string& serverName) {
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
        !certificate)
        return TlsFailure::Untrusted;

    char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
    LPSTR usages[] = {serverAuth};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof chainPara;
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    // A revocation server that does not answer must not hold the check for long.
    chainPara.dwUrlRetrievalTimeout = kRevocationTimeoutMs;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    TlsFailure result = TlsFailure::Untrusted;
    if (CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara,
                                CERT_CHAIN_REVOCATION_CHECK_END_CERT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT,
                                nullptr, &chain) &&
        chain) {
        // The chain's own verdict first, so an untrusted certificate reads as such whatever
        // name it carries.
        const bool untrusted = (chain->TrustStatus.dwErrorStatus & kUntrusted) != 0;
        std::wstring name = Widen(serverName);
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
        ssl.cbSize = sizeof ssl;
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.pwszServerName = name.data();
        ssl.fdwChecks = kIgnoreRevocationErrors;
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        // Revocation fails soft, as browsers do: a revoked certificate is refused above, one
        // whose revocation server cannot be reached or that names none passes.
        policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS verdict{};
        verdict.cbSize = sizeof verdict;
        if (!untrusted && CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict)) {
            switch (static_cast<HRESULT>(verdict.dwError)) {
                case S_OK: result = TlsFailure::None; break;
                case CERT_E_CN_NO_MATCH: result = TlsFailure::NameMismatch; break;
                case CERT_E_EXPIRED: result = TlsFailure::Expired; break;
                default: result = TlsFailure::Untrusted; break;
            }
        }
        CertFreeCertificateChain(chain);
    }
    CertFreeCertificateContext(certificate);
    return result;
}

bool SchannelChannel::send(RawStream& raw, std::string_view plain) {
    std::string record;
    while (!plain.empty()) {
        const std::size_t chunk = std::min<std::size_t>(plain.size(), sizes_.cbMaximumMessage);
        record.assign(sizes_.cbHeader + chunk + sizes_.cbTrailer, '\0');
        std::memcpy(record.data() + sizes_.cbHeader, plain.data(), chunk);
        SecBuffer buffers[4] = {
            {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
            {static_cast<ULONG>(chunk), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
            {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + chunk},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        if (EncryptMessage(&context_, 0, &desc, 0) != SEC_E_OK) return false;
        const std::size_t total = buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer;
        if (!raw.sendAll(record.data(), total)) return false;
        plain.remove_prefix(chunk);
    }
    return true;
}

bool SchannelChannel::receive(RawStream& raw, std::string& plain, std::size_t limit) {
    while (plain_.empty()) {
        if (!incoming_.empty()) {
            SecBuffer buffers[4] = {{static_cast<ULONG>(incoming_.size()), SECBUFFER_DATA, incoming_.data()},
                                    {0, SECBUFFER_EMPTY, nullptr},
                                    {0, SECBUFFER_EMPTY, nullptr},
                                    {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = DecryptMessage(&context_, &desc, 0, nullptr);
            if (status == SEC_E_OK) {
                // The buffers point into incoming_: copy out before it changes.
                std::string extra;
                for (const SecBuffer& b : buffers) {
                    if (b.BufferType == SECBUFFER_DATA && b.pvBuffer) {
                        plain_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                    } else if (b.BufferType == SECBUFFER_EXTRA && b.pvBuffer) {
                        extra.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                    }
                }
                incoming_ = std::move(extra);
                continue;
            }
            // The server closed the session (close_notify), or asked for something this
            // reader does not do: either way the dialogue is over.
            if (status != SEC_E_INCOMPLETE_MESSAGE) return false;
        }
        if (!readMore(raw)) return false;
    }
    const std::size_t n = std::min(std::max<std::size_t>(limit, 1), plain_.size());
    plain.append(plain_, 0, n);
    plain_.erase(0, n);
    return true;
}

}  // namespace

std::unique_ptr<TlsChannel> TlsChannel::create() {
    return std::make_unique<SchannelChannel>();
}

}  // namespace pop3

#endif
