#pragma once

// Receives the encoder's output: one call per AAC frame, each frame starting
// with its ADTS header. The bytes are valid only during the call.
class IPcmToAACEvent {
public:
    virtual ~IPcmToAACEvent() = default;
    virtual void OnPcmToAAC(unsigned char* frame, int length) = 0;
};
