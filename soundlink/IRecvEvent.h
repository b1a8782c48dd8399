#pragma once

#include <cstdint>

// Whole frames reassembled by a call's transport, on its receive thread.
class IRecvEvent {
public:
    virtual void OnRecv(const std::uint8_t* frame, int length, bool keyFlag) = 0;

protected:
    ~IRecvEvent() = default;
};
