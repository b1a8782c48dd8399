#pragma once

#include <cstdint>

#include "INetEvent2.h"

// A UDP kernel: one socket bound to a local port, a receive thread handing
// every datagram to the event sink, and sends from that same socket (so the
// peer sees the local port as the source). Addresses are IPv4 numbers in
// host byte order.
class IUDPWireCore2 {
public:
    virtual ~IUDPWireCore2() = default;

    // Binds and starts receiving; >= 0 on success, negative when the port
    // cannot be bound. A running kernel is stopped first.
    virtual int Start() = 0;
    // Ends the receive thread and closes the socket; when it returns no
    // OnRecvFrom runs any more. Safe to call when stopped.
    virtual void Stop() = 0;
    // Largest datagram received (bigger ones are dropped) and the local port
    // (0: any free port). Takes effect at the next Start.
    virtual void Configure(int bufferSize, std::uint16_t localPort, int reserved) = 0;
    // Set before Start; null drops what arrives.
    virtual void SetEventSink(INetEvent2* sink) = 0;
    // One datagram each; the bytes sent, or -1 (also while stopped).
    virtual int SendTo(std::uint32_t ipv4, std::uint16_t port, const void* data, int length) = 0;
    virtual int SendCommandTo(std::uint32_t ipv4, std::uint16_t port, const void* data,
                              int length) = 0;
};
