#pragma once

#include <cstdint>

// Where a datagram came from: IPv4 address and port in host byte order;
// and when: the moment the system took it in (or, without its stamp, when
// it was read), in microseconds of std::chrono::steady_clock.
struct WireSource {
    std::uint32_t ipv4 = 0;
    std::uint16_t port = 0;
    std::int64_t arrivalUs = 0;
};

// Receives the datagrams of a UDP kernel, on the kernel's receive thread.
class INetEvent2 {
public:
    // Results keep the COM values the kernels compare against.
    static constexpr std::int32_t kOk = 0;
    static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);

    // data is valid only during the call.
    virtual std::int32_t OnRecvFrom(const WireSource& source, const std::uint8_t* data,
                                    int length) = 0;
    // The socket failed for good (errno value `error`): the receive thread
    // has ended and nothing more arrives until the kernel is started again.
    // Errors the network reports for single datagrams (an unreachable peer)
    // do not end it.
    virtual void OnReceiveFailed(int error) { (void)error; }

protected:
    ~INetEvent2() = default;
};
