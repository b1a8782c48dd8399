#pragma once

#include <functional>
#include <memory>

// libavcodec's AAC-LC encoder fed with 16-bit interleaved PCM, one frame of
// 1024 samples per channel at a time; every packet comes out as an ADTS frame.
class CAacEncoder {
public:
    using FrameSink = std::function<void(unsigned char* frame, int length)>;

    // Null when the encoder refuses the format.
    static std::unique_ptr<CAacEncoder> open(int channels, int sampleRate);
    ~CAacEncoder();
    CAacEncoder(const CAacEncoder&) = delete;
    CAacEncoder& operator=(const CAacEncoder&) = delete;

    // Samples per frame, all channels counted.
    unsigned inputSamples() const;

    // Takes inputSamples() samples and hands every finished frame to the sink.
    // The encoder keeps the first frame back (its priming delay), so a frame
    // that was taken may give nothing yet. Returns false when the encoder
    // refused the samples; they were then not taken.
    bool encode(const unsigned char* pcm, const FrameSink& sink);

private:
    struct Context;
    explicit CAacEncoder(std::unique_ptr<Context> context);

    std::unique_ptr<Context> context_;
};
