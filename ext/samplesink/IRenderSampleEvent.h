#pragma once

#include <cstdint>

// Receives the bytes of every buffer the sample sink gets, on the pipeline's
// streaming thread. The bytes are valid only during the call.
class IRenderSampleEvent {
public:
    virtual void OnRenderSample(const std::uint8_t* data, int length) = 0;

protected:
    ~IRenderSampleEvent() = default;
};
