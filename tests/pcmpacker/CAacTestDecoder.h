#pragma once

#include <memory>
#include <vector>

// libavcodec's AAC decoder, fed one ADTS frame at a time, collecting the
// sound as interleaved floats.
class CAacTestDecoder {
public:
    CAacTestDecoder();
    ~CAacTestDecoder();
    CAacTestDecoder(const CAacTestDecoder&) = delete;
    CAacTestDecoder& operator=(const CAacTestDecoder&) = delete;

    // False when the decoder could not be opened or refused the frame.
    bool decode(const unsigned char* frame, int length);

    const std::vector<float>& samples() const { return samples_; }
    // Format of the decoded sound; 0 before the first decoded frame.
    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }

private:
    bool collect();

    struct Context;
    std::unique_ptr<Context> context_;
    std::vector<float> samples_;
    int channels_ = 0;
    int sampleRate_ = 0;
};
