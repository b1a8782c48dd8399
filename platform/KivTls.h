#pragma once

#include <cstdint>
#include <memory>
#include <string>

class KivSocket;

// What a client checks of a server before any byte of its own goes out.
struct KivTlsPolicy {
    // PEM file of the certificate authorities to trust; empty: the system's.
    std::string caFile;
    // SHA-256 of the server's public key (see KivTlsNormalizePin); empty: none.
    // With a pin, the pinned key is itself trusted: a certificate that no known
    // authority signed passes, but it must still be valid now and name the host.
    std::string pin;
    // The DNS name or IP address the certificate must name.
    std::string hostName;
};

// The client side of TLS (1.2 at least, 1.3 preferred) on a connected socket.
// Several threads may use one session: each call takes the session's lock
// only for the moment OpenSSL needs it, and nothing waits on the network
// while holding it, so a receive never stalls a send or the other way round.
class KivTlsSession {
public:
    // Runs the handshake within timeoutMs and checks the server against the
    // policy. nullptr, with the reason in `reason`, when the server is not
    // the one the policy names, does not speak TLS or the handshake fails.
    static std::unique_ptr<KivTlsSession> connect(std::shared_ptr<KivSocket> socket,
                                                  const KivTlsPolicy& policy, int timeoutMs,
                                                  std::string& reason);
    ~KivTlsSession();
    KivTlsSession(const KivTlsSession&) = delete;
    KivTlsSession& operator=(const KivTlsSession&) = delete;

    // Writes all `length` bytes as TLS records: length, or -1 when the
    // connection failed or could not take them within timeoutMs (the stream
    // is then unusable). One sender at a time; a receive may run meanwhile.
    int send(const char* data, int length, int timeoutMs);
    // Plain bytes read (> 0), 0 once the server closed, KivSocket::kWouldBlock
    // when no whole record has arrived yet, -1 on a failure.
    int receive(char* buffer, int capacity);
    // Plain bytes of a record already read that a receive returns without waiting.
    bool hasBuffered() const;
    // Every byte written to the socket so far, handshake included.
    std::uint64_t bytesWritten() const;
    std::string protocol() const;
    std::string cipher() const;

    struct State;

private:
    explicit KivTlsSession(std::unique_ptr<State> state);
    std::unique_ptr<State> m;
};

// SHA-256 of the public key (SubjectPublicKeyInfo) of a DER certificate, in
// lowercase hex; empty when the bytes are no certificate.
std::string KivTlsPublicKeyPin(const std::string& certificateDer);
// True when a DER certificate names the host (a DNS name or an IP address)
// as a session checks it: among its subject alternative names only, a
// wildcard only as a whole label.
bool KivTlsCertificateNames(const std::string& certificateDer, const std::string& hostName);
// A pin as a configuration holds it (hex, in either case, with or without
// colons, or Base64) in lowercase hex; empty when it is no SHA-256 value.
std::string KivTlsNormalizePin(const std::string& text);
