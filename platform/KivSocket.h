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
    KivSocketErrOther = 10101
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
    // Blocking connect to an IPv4 address in dotted text (or a host name); 0 or an error number.
    int connectTo(const char* address, int port);
    // One send call; the number of bytes sent, or -1.
    int send(const char* data, int length);
    // One receive call, retried on interruption; bytes read, 0 on orderly close, -1 on error.
    int receive(char* buffer, int capacity);
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
