#pragma once

#include <memory>
#include <string>

// Error numbers that the client's callers see for socket failures; they keep
// the numbering the client has always reported, whatever the platform.
enum KivSocketError : int {
    KivSocketOk = 0,
    KivSocketErrInterrupted = 10004,
    KivSocketErrAccess = 10013,
    KivSocketErrInvalid = 10022,
    KivSocketErrAddrInUse = 10048,
    KivSocketErrAddrNotAvail = 10049,
    KivSocketErrNetDown = 10050,
    KivSocketErrNetUnreach = 10051,
    KivSocketErrConnAborted = 10053,
    KivSocketErrConnReset = 10054,
    KivSocketErrTimedOut = 10060,
    KivSocketErrConnRefused = 10061,
    KivSocketErrHostUnreach = 10065,
    KivSocketErrOther = 10101,
    // TLS was asked for and the server could not be verified or did not speak it.
    KivSocketErrTlsRefused = 10200
};

// One IPv4 TCP socket handle. The handle is closed by the destructor only, so
// a thread that holds the object (through a shared_ptr) never sees its number
// reused; shutdownBoth() is what wakes a thread blocked in it.
class KivSocket {
public:
    enum class Wait { Ready, Failed };

    // A new TCP socket, or nullptr when the system refuses one.
    static std::shared_ptr<KivSocket> createTcp();

    ~KivSocket();
    KivSocket(const KivSocket&) = delete;
    KivSocket& operator=(const KivSocket&) = delete;

    // Binds to every local address on `port` with address reuse; 0 or an error number.
    int bindAny(int port);
    void setReceiveBufferSize(int bytes);
    // Connect to an IPv4 address in dotted text (or a host name); 0 or an error number.
    // Gives up with KivSocketErrTimedOut after timeoutMs (below 0: the system's limit).
    int connectTo(const char* address, int port, int timeoutMs = -1);
    // How a connected link that carries nothing back is found dead: keep-alive
    // probes after idleSeconds without traffic, one every intervalSeconds, and
    // the connection dropped once sent bytes or probes stay unanswered for
    // userTimeoutMs.
    void setDeadLinkLimits(int idleSeconds, int intervalSeconds, int userTimeoutMs);
    // A send buffer of `bytes`, and a send that cannot hand over its bytes
    // within timeoutMs returns what it could (a short count or -1).
    void setSendLimits(int bytes, int timeoutMs);
    // One send call; the number of bytes sent, or -1.
    int send(const char* data, int length);
    // One receive call, retried on interruption; bytes read, 0 on orderly close, -1 on error.
    int receive(char* buffer, int capacity);
    // Without waiting: what send() and receive() return, or kWouldBlock when
    // nothing could move at once.
    static constexpr int kWouldBlock = -2;
    int sendNow(const char* data, int length);
    int receiveNow(char* buffer, int capacity);
    // Waits until the socket can take bytes (writable) or has some (readable),
    // or is closed or in error; false when timeoutMs (below 0: no limit) passed first.
    bool waitFor(bool writable, int timeoutMs);
    // Blocks until the socket is readable, closed or in error (all Ready), or the wait
    // itself fails (Failed).
    Wait waitReadable();
    // Received bytes a receive would return at once (0 when none or on error).
    int bytesWaiting() const;
    // Ends both directions: a blocked connect, wait or receive returns at once.
    void shutdownBoth();
    int handle() const { return m_fd; }
    int localPort() const;

    // True when a fresh TCP socket can bind every local address on `port`.
    static bool portIsFree(int port);
    // The host's first IPv4 address in dotted text ("127.0.0.1" when it has none).
    static std::string localIPv4();

private:
    explicit KivSocket(int fd) : m_fd(fd) {}
    int m_fd;
};
