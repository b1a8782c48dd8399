#pragma once

#include <cstdint>

// Whole frames reassembled by a call's transport, on its receive thread,
// with the sequence number the sender gave them.
class IRecvEvent {
public:
    virtual void OnRecv(std::uint32_t sequence, const std::uint8_t* frame, int length,
                        bool keyFlag) = 0;

protected:
    ~IRecvEvent() = default;
};
