#include "KivTls.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <sys/stat.h>
#include <atomic>
#include <cctype>
#include <chrono>
#include <mutex>

#include "KivSocket.h"

namespace {

using Clock = std::chrono::steady_clock;

struct SslCtxFree {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};

std::string Hex(const unsigned char* bytes, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string PinOf(X509* cert) {
    unsigned char* der = nullptr;
    const int size = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &der);
    if (size <= 0) {
        return std::string();
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestSize = 0;
    const bool ok = EVP_Digest(der, static_cast<std::size_t>(size), digest, &digestSize,
                               EVP_sha256(), nullptr) == 1;
    OPENSSL_free(der);
    return ok ? Hex(digest, digestSize) : std::string();
}

bool IsAddress(const std::string& host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

// Why a chain failed only for want of a known authority: a pinned key stands in for one.
bool IsTrustError(int error) {
    switch (error) {
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_CERT_UNTRUSTED:
            return true;
        default:
            return false;
    }
}

std::string LastError() {
    const unsigned long code = ERR_get_error();
    if (code == 0) {
        return std::string();
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof(text));
    return text;
}

int Verify(int preverified, X509_STORE_CTX* store);

// A name is matched by a whole-label wildcard or exactly, and only among the
// certificate's subject alternative names: "f*.example.org" and a subject's
// common name name nothing.
constexpr unsigned int kStrictNames =
    X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT;

SSL_CTX* NewClientContext(const std::string& caFile, bool pinned, std::string& reason) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (ctx == nullptr) {
        reason = "no TLS context: " + LastError();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
    // A pin with no authority file trusts the pinned key alone: the
    // system's authorities would change nothing, and loading them is slow.
    bool caLoaded = true;
    if (!caFile.empty()) {
        caLoaded = SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) == 1;
    } else if (!pinned) {
        caLoaded = SSL_CTX_set_default_verify_paths(ctx) == 1;
    }
    if (!caLoaded) {
        reason = "cannot read the certificate authorities of " +
                 (caFile.empty() ? std::string("the system") : caFile);
        SSL_CTX_free(ctx);
        return nullptr;
    }
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, &Verify);
    return ctx;
}

// A context takes OpenSSL tens of milliseconds to make, so the last one is
// kept for the next connection with the same authorities; a changed
// authority file makes a new one.
SSL_CTX* ClientContext(const std::string& caFile, bool pinned, std::string& reason) {
    static std::mutex lock;
    static SSL_CTX* kept = nullptr;
    static std::string keptKey;
    struct stat info {};
    const bool known = caFile.empty() || ::stat(caFile.c_str(), &info) == 0;
    const std::string key =
        caFile + '\n' + (pinned ? "pinned" : "") + '\n' + std::to_string(info.st_mtim.tv_sec) +
        '.' + std::to_string(info.st_mtim.tv_nsec) + '.' + std::to_string(info.st_size);
    std::lock_guard<std::mutex> guard(lock);
    if (known && kept != nullptr && key == keptKey) {
        SSL_CTX_up_ref(kept);
        return kept;
    }
    SSL_CTX* made = NewClientContext(caFile, pinned, reason);
    if (made != nullptr && known) {
        SSL_CTX_free(kept);
        SSL_CTX_up_ref(made);
        kept = made;
        keptKey = key;
    }
    return made;
}

}  // namespace

struct KivTlsSession::State {
    std::shared_ptr<KivSocket> socket;
    std::unique_ptr<SSL_CTX, SslCtxFree> ctx;
    std::unique_ptr<SSL, SslFree> ssl;
    bool pinned = false;
    mutable std::mutex sslLock;  // every call into OpenSSL
    std::mutex sendLock;         // one send at a time, across its waits
    std::atomic<std::uint64_t> written{0};

    // Moves the socket's bytes for OpenSSL without ever waiting: the waits
    // happen outside the lock.
    static BIO_METHOD* Method();
    static int Write(BIO* bio, const char* data, int length);
    static int Read(BIO* bio, char* buffer, int capacity);
    static long Control(BIO* bio, int command, long, void*);
};

BIO_METHOD* KivTlsSession::State::Method() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "kivSocket");
        BIO_meth_set_write(m, &State::Write);
        BIO_meth_set_read(m, &State::Read);
        BIO_meth_set_ctrl(m, &State::Control);
        BIO_meth_set_create(m, [](BIO* bio) {
            BIO_set_init(bio, 1);
            return 1;
        });
        return m;
    }();
    return method;
}

int KivTlsSession::State::Write(BIO* bio, const char* data, int length) {
    auto* state = static_cast<State*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const int sent = state->socket->sendNow(data, length);
    if (sent == KivSocket::kWouldBlock) {
        BIO_set_retry_write(bio);
        return -1;
    }
    if (sent > 0) {
        state->written += static_cast<std::uint64_t>(sent);
    }
    return sent;
}

int KivTlsSession::State::Read(BIO* bio, char* buffer, int capacity) {
    auto* state = static_cast<State*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    const int got = state->socket->receiveNow(buffer, capacity);
    if (got == KivSocket::kWouldBlock) {
        BIO_set_retry_read(bio);
        return -1;
    }
    return got;
}

long KivTlsSession::State::Control(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

namespace {

int Verify(int preverified, X509_STORE_CTX* store) {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    const auto* state = static_cast<const KivTlsSession::State*>(SSL_get_app_data(ssl));
    if (!preverified && state != nullptr && state->pinned &&
        IsTrustError(X509_STORE_CTX_get_error(store))) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    return preverified;
}

}  // namespace

KivTlsSession::KivTlsSession(std::unique_ptr<State> state) : m(std::move(state)) {}

KivTlsSession::~KivTlsSession() = default;

std::unique_ptr<KivTlsSession> KivTlsSession::connect(std::shared_ptr<KivSocket> socket,
                                                      const KivTlsPolicy& policy, int timeoutMs,
                                                      std::string& reason) {
    reason.clear();
    ERR_clear_error();
    const std::string pin = KivTlsNormalizePin(policy.pin);
    if (!policy.pin.empty() && pin.empty()) {
        reason = "tlspin is no SHA-256 value";
        return nullptr;
    }
    if (policy.hostName.empty()) {
        reason = "no server name to check the certificate against";
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->socket = std::move(socket);
    state->pinned = !pin.empty();
    state->ctx.reset(ClientContext(policy.caFile, state->pinned, reason));
    if (!state->ctx) {
        return nullptr;
    }
    SSL_CTX* ctx = state->ctx.get();

    state->ssl.reset(SSL_new(ctx));
    SSL* ssl = state->ssl.get();
    SSL_set_app_data(ssl, state.get());
    SSL_set_hostflags(ssl, kStrictNames);
    if (IsAddress(policy.hostName)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), policy.hostName.c_str());
    } else {
        SSL_set_tlsext_host_name(ssl, policy.hostName.c_str());
        SSL_set1_host(ssl, policy.hostName.c_str());
    }
    BIO* bio = BIO_new(State::Method());
    BIO_set_data(bio, state.get());
    SSL_set_bio(ssl, bio, bio);
    SSL_set_connect_state(ssl);

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ERR_clear_error();
        const int result = SSL_do_handshake(ssl);
        if (result == 1) {
            break;
        }
        const int error = SSL_get_error(ssl, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0 || !state->socket->waitFor(error == SSL_ERROR_WANT_WRITE, int(left))) {
                reason = "no answer to the TLS handshake in time";
                return nullptr;
            }
            continue;
        }
        const long verified = SSL_get_verify_result(ssl);
        const std::string detail = LastError();
        if (verified != X509_V_OK) {
            reason = std::string("certificate refused: ") + X509_verify_cert_error_string(verified);
        } else if (error == SSL_ERROR_ZERO_RETURN || error == SSL_ERROR_SYSCALL || detail.empty()) {
            reason = "the server ended the connection in the TLS handshake (does it speak TLS?)";
        } else {
            reason = "TLS handshake failed: " + detail;
        }
        return nullptr;
    }
    const std::unique_ptr<X509, X509Free> peer(SSL_get1_peer_certificate(ssl));
    if (!peer) {
        reason = "the server showed no certificate";
        return nullptr;
    }
    if (state->pinned) {
        const std::string actual = PinOf(peer.get());
        if (actual != pin) {
            reason = "the server's public key is not the one of tlspin (it is " + actual + ")";
            return nullptr;
        }
    }
    return std::unique_ptr<KivTlsSession>(new KivTlsSession(std::move(state)));
}

int KivTlsSession::send(const char* data, int length, int timeoutMs) {
    if (data == nullptr || length <= 0) {
        return 0;
    }
    std::lock_guard<std::mutex> one(m->sendLock);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int error = 0;
        {
            std::lock_guard<std::mutex> guard(m->sslLock);
            ERR_clear_error();
            const int result = SSL_write(m->ssl.get(), data, length);
            if (result > 0) {
                return result;
            }
            error = SSL_get_error(m->ssl.get(), result);
        }
        if (error != SSL_ERROR_WANT_WRITE && error != SSL_ERROR_WANT_READ) {
            return -1;
        }
        // The same write is repeated once the socket takes bytes again.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !m->socket->waitFor(error == SSL_ERROR_WANT_WRITE, int(left))) {
            return -1;
        }
    }
}

int KivTlsSession::receive(char* buffer, int capacity) {
    std::lock_guard<std::mutex> guard(m->sslLock);
    ERR_clear_error();
    const int result = SSL_read(m->ssl.get(), buffer, capacity);
    if (result > 0) {
        return result;
    }
    switch (SSL_get_error(m->ssl.get(), result)) {
        case SSL_ERROR_WANT_READ:
        case SSL_ERROR_WANT_WRITE:
            return KivSocket::kWouldBlock;
        case SSL_ERROR_ZERO_RETURN:
            return 0;
        default:
            return -1;
    }
}

bool KivTlsSession::hasBuffered() const {
    std::lock_guard<std::mutex> guard(m->sslLock);
    return SSL_pending(m->ssl.get()) > 0;
}

std::uint64_t KivTlsSession::bytesWritten() const {
    return m->written.load();
}

std::string KivTlsSession::protocol() const {
    std::lock_guard<std::mutex> guard(m->sslLock);
    return SSL_get_version(m->ssl.get());
}

std::string KivTlsSession::cipher() const {
    std::lock_guard<std::mutex> guard(m->sslLock);
    return SSL_get_cipher_name(m->ssl.get());
}

std::string KivTlsPublicKeyPin(const std::string& certificateDer) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(certificateDer.data());
    const std::unique_ptr<X509, X509Free> cert(
        d2i_X509(nullptr, &bytes, static_cast<long>(certificateDer.size())));
    return cert ? PinOf(cert.get()) : std::string();
}

bool KivTlsCertificateNames(const std::string& certificateDer, const std::string& hostName) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(certificateDer.data());
    const std::unique_ptr<X509, X509Free> cert(
        d2i_X509(nullptr, &bytes, static_cast<long>(certificateDer.size())));
    if (!cert || hostName.empty()) {
        return false;
    }
    if (IsAddress(hostName)) {
        return X509_check_ip_asc(cert.get(), hostName.c_str(), kStrictNames) == 1;
    }
    return X509_check_host(cert.get(), hostName.data(), hostName.size(), kStrictNames, nullptr) ==
           1;
}

std::string KivTlsNormalizePin(const std::string& text) {
    std::string hex;
    for (const char c : text) {
        if (c == ':' || c == ' ') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            hex.clear();
            break;
        }
        hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (hex.size() == 64) {
        return hex;
    }
    // Base64 of the 32 bytes: 44 characters with one '='.
    unsigned char decoded[48];
    if (text.size() != 44 ||
        EVP_DecodeBlock(decoded, reinterpret_cast<const unsigned char*>(text.data()), 44) != 33) {
        return std::string();
    }
    return Hex(decoded, 32);
}
