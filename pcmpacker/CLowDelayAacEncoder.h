#pragma once

#include <array>
#include <memory>
#include <vector>

#include "CAacBitReservoir.h"
#include "CAacTables.h"
#include "IAacFrameEncoder.h"

class CAacAttackDetector;
class CAacChannelCoder;
class CAacMdct;

// Our own AAC-LC encoder: long windows only, so each frame is written as
// soon as its 1024 samples are in, one frame earlier than an encoder that
// looks ahead to choose short windows. Frames with an attack get more of
// the bit reservoir and temporal noise shaping, which keep the noise before
// the attack down.
class CLowDelayAacEncoder : public IAacFrameEncoder {
public:
    // Null when AAC has no channel configuration or sampling index for the format.
    static std::unique_ptr<CLowDelayAacEncoder> open(int channels, int sampleRate);
    ~CLowDelayAacEncoder() override;
    CLowDelayAacEncoder(const CLowDelayAacEncoder&) = delete;
    CLowDelayAacEncoder& operator=(const CLowDelayAacEncoder&) = delete;

    // On by default; off only to measure what it brings.
    void setTemporalNoiseShaping(bool on) { temporalNoiseShaping_ = on; }

    unsigned inputSamples() const override;
    bool encode(const unsigned char* pcm, const FrameSink& sink) override;

private:
    struct Channel;
    struct Element {
        int id = 0;
        int tag = 0;
        // Channels [first, first + count) in the stream's order.
        int first = 0;
        int count = 0;
        // A pair: the bands both channels send, and which carry mid and side.
        int bands = 0;
        bool anyMidSide = false;
        std::array<bool, CAacTables::kMaxLongBands> midSide{};
    };

    CLowDelayAacEncoder(int channels, int sampleRate, int samplingIndex);
    // Turns the pair's bands into mid and side where that is cheaper.
    void chooseMidSide(Element& element);
    // Not `exact`: an estimate, rarely below the exact count.
    int frameBits(double offset, bool exact);
    // Bytes of the raw data block written; 0 if it did not fit.
    int write(unsigned char* payload, int capacity);

    int channels_;
    int samplingIndex_;
    int channelConfig_;
    std::vector<Channel> streams_;
    std::vector<Element> elements_;
    int overheadBits_ = 0;
    int ceilingBits_ = 0;
    CAacBitReservoir reservoir_;
    bool attackBefore_ = false;
    double lastOffset_ = 0.0;
    bool temporalNoiseShaping_ = true;
    std::vector<float> samples_;
    std::vector<unsigned char> output_;
};
