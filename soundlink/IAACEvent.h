#pragma once

#include <cstdint>

// Encoded AAC frames (with ADTS headers), on the capture streaming thread.
class IAACEvent {
public:
    virtual void OnAAC(const std::uint8_t* frame, int length) = 0;

protected:
    ~IAACEvent() = default;
};
