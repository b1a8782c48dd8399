#pragma once

#include <functional>

// An AAC-LC encoder behind CPcmPacker: 16-bit interleaved PCM in, one frame
// of 1024 samples per channel at a time, ADTS frames out.
class IAacFrameEncoder {
public:
    using FrameSink = std::function<void(unsigned char* frame, int length)>;

    virtual ~IAacFrameEncoder() = default;

    // Samples per frame, all channels counted.
    virtual unsigned inputSamples() const = 0;

    // Takes inputSamples() samples and hands every finished frame to the
    // sink. Returns false when the encoder refused the samples; they were
    // then not taken.
    virtual bool encode(const unsigned char* pcm, const FrameSink& sink) = 0;
};
