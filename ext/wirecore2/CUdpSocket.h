#pragma once

#include <cstdint>
#include <memory>

// One IPv4 UDP socket bound to a local port, with a wake-up that lets a
// receiving thread leave its wait. Sources per platform.
class CUdpSocket {
public:
    enum class Receive { Datagram, Woken, Failed };

    // Bound to every local address on port (0: any free port); null when the
    // socket cannot be made or bound.
    static std::unique_ptr<CUdpSocket> Bind(std::uint16_t port);

    ~CUdpSocket();
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    std::uint16_t LocalPort() const;

    // One datagram; the bytes sent or -1.
    int SendTo(std::uint32_t ipv4, std::uint16_t port, const void* data, int length);

    // Waits for one datagram. length gets its size; a datagram larger than
    // capacity is reported with a length above capacity and its bytes cut.
    Receive ReceiveFrom(std::uint8_t* buffer, int capacity, int* length, std::uint32_t* ipv4,
                        std::uint16_t* port);

    // Makes the current and every later ReceiveFrom return Woken.
    void Wake();
    // The errno value of the failure ReceiveFrom last reported.
    int LastError() const { return m_error; }

private:
    CUdpSocket(int socket, int wake) : m_socket(socket), m_wake(wake) {}
    int m_socket;
    int m_wake;
    int m_error = 0;
};
