#pragma once

#include <memory>

#include "IAacFrameEncoder.h"

// libavcodec's AAC-LC encoder fed with 16-bit interleaved PCM, one frame of
// 1024 samples per channel at a time; every packet comes out as an ADTS frame.
class CAacEncoder : public IAacFrameEncoder {
public:
    // Null when the encoder refuses the format.
    static std::unique_ptr<CAacEncoder> open(int channels, int sampleRate);
    ~CAacEncoder() override;
    CAacEncoder(const CAacEncoder&) = delete;
    CAacEncoder& operator=(const CAacEncoder&) = delete;

    unsigned inputSamples() const override;

    // The encoder looks one frame ahead (its window decision), so each frame
    // comes out only once the next one was taken.
    bool encode(const unsigned char* pcm, const FrameSink& sink) override;

private:
    struct Context;
    explicit CAacEncoder(std::unique_ptr<Context> context);

    std::unique_ptr<Context> context_;
};
