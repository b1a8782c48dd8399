#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One IPv4 UDP socket bound to a local port on every local address, with a
// wake-up that lets a receiving thread leave its wait; the handles are closed
// by the destructor.
class KivUdpSocket {
public:
    enum class Wait { Datagram, Woken, Failed };

    // A socket bound to `port` (0: the system picks one), or nullptr when the
    // port is taken or the system refuses a socket.
    static std::unique_ptr<KivUdpSocket> bindAny(int port);

    ~KivUdpSocket();
    KivUdpSocket(const KivUdpSocket&) = delete;
    KivUdpSocket& operator=(const KivUdpSocket&) = delete;

    int localPort() const;
    void setBufferSizes(int bytes);
    // One datagram to an IPv4 address in host byte order; bytes sent or -1.
    int sendTo(std::uint32_t address, int port, const void* data, int length);
    // Waits up to timeoutMs for one datagram: its length, 0 when none came
    // (or the network refused one sent earlier: an unreachable peer), -1 when
    // the socket failed for good (errno tells why). The sender's address
    // `from` and port `fromPort` (host byte order) may be null.
    int receive(void* buffer, int capacity, int timeoutMs, std::uint32_t* from = nullptr,
                std::uint16_t* fromPort = nullptr);

    // Has the system stamp every datagram with the moment it took it in.
    void enableArrivalStamps();
    // Waits for one datagram until it comes, the socket fails for good or
    // wake() is called; errors that concern one datagram are passed over.
    // `length` gets the datagram's full size: above `capacity` when it was cut.
    // `arrivalUs` (may be null) gets when it arrived, in microseconds of
    // std::chrono::steady_clock: the system's stamp, or the time it was read
    // when it carries none; never later than the read.
    Wait receiveUntilWoken(void* buffer, int capacity, int* length, std::uint32_t* from,
                           std::uint16_t* fromPort, std::int64_t* arrivalUs = nullptr);
    // Makes the current and every later receiveUntilWoken return Woken.
    void wake();
    // The errno value of the failure receiveUntilWoken last reported.
    int lastError() const { return m_error; }

    // The own IPv4 address (dotted text) that traffic towards `host` (dotted
    // IPv4 text) leaves from, found from the routing table without sending
    // anything; empty when there is no route.
    static std::string localAddressToward(const char* host);

    // Dotted IPv4 text to host byte order; false for anything else.
    static bool parseIPv4(const char* text, std::uint32_t* address);

private:
    KivUdpSocket(int fd, int wake) : m_fd(fd), m_wake(wake) {}
    int m_fd;
    int m_wake;
    int m_error = 0;
};
