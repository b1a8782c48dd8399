#pragma once

#include <cstdint>

// Whole frames reassembled by a call's transport, on its receive thread,
// each sequence number the sender gave once, with the moment its datagram
// arrived (microseconds of std::chrono::steady_clock) and whether that was
// the copy, which leaves the sender one frame after the frame itself.
class IRecvEvent {
public:
    virtual void OnRecv(std::uint32_t sequence, const std::uint8_t* frame, int length, bool keyFlag,
                        std::int64_t arrivalUs, bool copy) = 0;

protected:
    ~IRecvEvent() = default;
};
