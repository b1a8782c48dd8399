#pragma once

#include <cstdint>

// Captured PCM, on the capture pipeline's streaming thread.
class IFrameEvent {
public:
    virtual void OnFrame(const std::uint8_t* data, int length) = 0;

protected:
    ~IFrameEvent() = default;
};
