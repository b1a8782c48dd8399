#include "CLowDelayAacEncoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "CAacAttackDetector.h"
#include "CAacBitWriter.h"
#include "CAacChannelCoder.h"
#include "CAacMdct.h"
#include "CAacTables.h"
#include "CAdtsHeader.h"

namespace {

constexpr int kLines = CAacMdct::kLines;
// 96 kbit/s for the call's stereo sound, scaled per channel.
constexpr int64_t kBitRatePerChannel = 48000;
// AAC allows 6144 bits per channel and frame.
constexpr int kMaxPayloadPerChannel = 768;
// Bits the pauses of speech save are spent on the sound after them: the
// reservoir holds eight frames of the rate (a quarter second at 32 kHz).
// Each frame is a datagram of its own and the header says the rate is
// variable, so no decoder buffer limits it; frames stay within AAC's limit.
constexpr int kReservoirFrames = 8;
// A frame goes in one UDP datagram: on a path of 1500 bytes that leaves 1392
// after the IP and UDP heads, the fragment's head and what sealing adds; a
// larger one would be cut into IP fragments, and losing either loses both.
// Only a stream whose average comes near it may pass it.
constexpr int kPathFrameBytes = 1392;
static_assert(kMaxPayloadPerChannel * 8 + CAdtsHeader::kSize <= CAdtsHeader::kMaxFrameLength,
              "eight channels must fit the ADTS frame-length field");

enum ElementId { kSingle = 0, kPair = 1, kLowFrequency = 3, kEnd = 7 };
constexpr int kIdBits = 3;
constexpr int kTagBits = 4;
// 0: no band in mid/side, 1: a flag per band.
constexpr int kMaskPresentBits = 2;
// The low-frequency channel carries nothing above this.
constexpr int kLowFrequencyCutoff = 240;

// Where each stream channel is in the interleaved input (WAVE order:
// front left, front right, centre, LFE, back, side); the stream puts the
// centre first and the LFE last.
const std::vector<int>& inputOrder(int channels) {
    static const std::array<std::vector<int>, 9> orders = {{{},
                                                            {0},
                                                            {0, 1},
                                                            {2, 0, 1},
                                                            {2, 0, 1, 3},
                                                            {2, 0, 1, 3, 4},
                                                            {2, 0, 1, 4, 5, 3},
                                                            {},
                                                            {2, 0, 1, 6, 7, 4, 5, 3}}};
    return orders[static_cast<std::size_t>(channels)];
}

// The elements of each ADTS channel configuration.
std::vector<int> elementIds(int channels) {
    switch (channels) {
        case 1:
            return {kSingle};
        case 2:
            return {kPair};
        case 3:
            return {kSingle, kPair};
        case 4:
            return {kSingle, kPair, kSingle};
        case 5:
            return {kSingle, kPair, kPair};
        case 6:
            return {kSingle, kPair, kPair, kLowFrequency};
        case 8:
            return {kSingle, kPair, kPair, kPair, kLowFrequency};
        default:
            return {};
    }
}

int64_t bitRate(int channels, int sampleRate) {
    // At low sample rates a frame cannot hold that much: stay at AAC's limit.
    return std::min<int64_t>(kBitRatePerChannel * channels,
                             int64_t{kMaxPayloadPerChannel} * 8 * channels * sampleRate / kLines);
}

// Audio bandwidth worth its bits at a rate per channel: 16 kHz at 48 kbit/s.
// A band left out counts as noise as loud as the sound in it, which on
// plosives and hits cost more than the bits it saved (bench_pcmpacker).
int bandwidth(int64_t perChannel, int sampleRate) {
    const int64_t wide = std::max(perChannel / 5, perChannel * 15 / 32 - 5500);
    const int64_t cut =
        std::min({wide, 4000 + perChannel / 4, 13000 + perChannel / 16, int64_t{22000}});
    return static_cast<int>(std::min<int64_t>(cut, sampleRate / 2));
}

int averageBits(int channels, int sampleRate) {
    return static_cast<int>(bitRate(channels, sampleRate) * kLines / sampleRate);
}

}  // namespace

struct CLowDelayAacEncoder::Channel {
    std::unique_ptr<CAacMdct> mdct;
    std::unique_ptr<CAacChannelCoder> coder;
    CAacAttackDetector attacks;
    int input = 0;
    std::vector<float> lines = std::vector<float>(kLines);
};

std::unique_ptr<CLowDelayAacEncoder> CLowDelayAacEncoder::open(int channels, int sampleRate) {
    const int samplingIndex = CAdtsHeader::samplingIndex(sampleRate);
    if (samplingIndex < 0 || CAdtsHeader::channelConfig(channels) < 0) {
        return nullptr;
    }
    std::unique_ptr<CLowDelayAacEncoder> encoder(
        new CLowDelayAacEncoder(channels, sampleRate, samplingIndex));
    for (const Channel& channel : encoder->streams_) {
        if (!channel.mdct) {
            return nullptr;
        }
    }
    return encoder;
}

CLowDelayAacEncoder::CLowDelayAacEncoder(int channels, int sampleRate, int samplingIndex)
    : channels_(channels),
      samplingIndex_(samplingIndex),
      channelConfig_(CAdtsHeader::channelConfig(channels)),
      reservoir_(averageBits(channels, sampleRate),
                 averageBits(channels, sampleRate) * kReservoirFrames),
      samples_(kLines),
      output_(static_cast<std::size_t>(kMaxPayloadPerChannel * channels) + CAdtsHeader::kSize) {
    const int wideLines =
        bandwidth(bitRate(channels, sampleRate) / channels, sampleRate) * 2 * kLines / sampleRate;
    const int lowLines = std::max(1, kLowFrequencyCutoff * 2 * kLines / sampleRate);
    std::array<int, 8> tags{};
    int first = 0;
    for (int id : elementIds(channels)) {
        const int count = id == kPair ? 2 : 1;
        Element element;
        element.id = id;
        element.tag = tags[static_cast<std::size_t>(id)]++;
        element.first = first;
        element.count = count;
        elements_.push_back(element);
        for (int i = 0; i < count; ++i) {
            Channel channel;
            channel.mdct = CAacMdct::create();
            channel.coder = std::make_unique<CAacChannelCoder>(
                samplingIndex, id == kLowFrequency ? lowLines : wideLines);
            channel.input = inputOrder(channels)[static_cast<std::size_t>(first + i)];
            streams_.push_back(std::move(channel));
        }
        first += count;
        // A pair says it shares its window information.
        overheadBits_ += kIdBits + kTagBits + (id == kPair ? 1 : 0);
    }
    // The end element and the byte alignment after it.
    overheadBits_ += kIdBits + 7;
    ceilingBits_ = std::min(kMaxPayloadPerChannel * 8 * channels,
                            std::max(kPathFrameBytes * 8, 2 * averageBits(channels, sampleRate))) -
                   overheadBits_;
}

CLowDelayAacEncoder::~CLowDelayAacEncoder() = default;

unsigned CLowDelayAacEncoder::inputSamples() const {
    return static_cast<unsigned>(kLines * channels_);
}

int CLowDelayAacEncoder::frameBits(double offset, bool exact) {
    int bits = 0;
    for (Element& element : elements_) {
        CAacChannelCoder& first = *streams_[static_cast<std::size_t>(element.first)].coder;
        if (element.id != kPair) {
            bits += first.code(first.quantise(offset), true, exact);
            continue;
        }
        // The pair shares one window information, so both send as many bands.
        CAacChannelCoder& second = *streams_[static_cast<std::size_t>(element.first) + 1].coder;
        element.bands = std::max(first.quantise(offset), second.quantise(offset));
        bits += first.code(element.bands, false, exact) + second.code(element.bands, false, exact) +
                CAacChannelCoder::kWindowInfoBits + kMaskPresentBits +
                (element.anyMidSide ? element.bands : 0);
    }
    return bits;
}

void CLowDelayAacEncoder::chooseMidSide(Element& element) {
    float* left = streams_[static_cast<std::size_t>(element.first)].lines.data();
    float* right = streams_[static_cast<std::size_t>(element.first) + 1].lines.data();
    const uint16_t* offsets = CAacTables::longBandOffsets(samplingIndex_);
    element.anyMidSide = false;
    for (int b = 0; b < CAacTables::longBandCount(samplingIndex_); ++b) {
        double energies[4] = {};
        for (int k = offsets[b]; k < offsets[b + 1]; ++k) {
            const double mid = 0.5 * (left[k] + right[k]);
            const double side = 0.5 * (left[k] - right[k]);
            energies[0] += left[k] * left[k];
            energies[1] += right[k] * right[k];
            energies[2] += mid * mid;
            energies[3] += side * side;
        }
        // For the same noise, a pair of bands costs bits with the log of the
        // product of their energies: take the cheaper pair.
        const bool midSide = energies[2] * energies[3] < energies[0] * energies[1];
        element.midSide[static_cast<std::size_t>(b)] = midSide;
        element.anyMidSide = element.anyMidSide || midSide;
        if (!midSide) {
            continue;
        }
        for (int k = offsets[b]; k < offsets[b + 1]; ++k) {
            const float mid = 0.5f * (left[k] + right[k]);
            right[k] = 0.5f * (left[k] - right[k]);
            left[k] = mid;
        }
    }
}

bool CLowDelayAacEncoder::encode(const unsigned char* pcm, const FrameSink& sink) {
    bool attack = false;
    const std::size_t stride = static_cast<std::size_t>(channels_) * 2;
    for (Channel& channel : streams_) {
        const unsigned char* in = pcm + channel.input * 2;
        for (int i = 0; i < kLines; ++i, in += stride) {
            int16_t sample;
            std::memcpy(&sample, in, sizeof sample);
            samples_[static_cast<std::size_t>(i)] = sample;
        }
        attack = channel.attacks.detect(samples_.data(), kLines) || attack;
        channel.mdct->transform(samples_.data(), channel.lines.data());
    }
    // The window of the next frame still holds the attack in its first half.
    const bool attackInWindow = attack || attackBefore_;
    attackBefore_ = attack;
    // The decoder shapes each channel after undoing mid and side.
    for (Channel& channel : streams_) {
        channel.coder->shapeNoise(channel.lines.data(), temporalNoiseShaping_ && attackInWindow);
    }
    for (Element& element : elements_) {
        if (element.id == kPair) {
            chooseMidSide(element);
        }
    }
    for (Channel& channel : streams_) {
        channel.coder->analyse(channel.lines.data());
    }
    const int target = reservoir_.target(attackInWindow, ceilingBits_);

    // The finest scale-factor offset (to half a step) whose frame fits the
    // target, searched with estimated counts from the last frame's offset,
    // which neighbouring frames seldom leave far behind.
    constexpr double kCoarsest = 160.0;
    constexpr double kFinest = -96.0;
    double fine = kFinest;
    if (frameBits(fine, false) > target) {
        double coarse = std::clamp(lastOffset_, kFinest, kCoarsest);
        double step = 4.0;
        if (frameBits(coarse, false) > target) {
            // Too fine: widen upwards until it fits.
            while (coarse < kCoarsest) {
                fine = coarse;
                coarse = std::min(coarse + step, kCoarsest);
                step *= 2;
                if (frameBits(coarse, false) <= target) {
                    break;
                }
            }
        } else {
            // Fits: widen downwards until it does not.
            for (double at = coarse - step; at > kFinest; step *= 2, at = coarse - step) {
                if (frameBits(at, false) > target) {
                    fine = at;
                    break;
                }
                coarse = at;
            }
        }
        while (coarse - fine > 0.5) {
            const double middle = (coarse + fine) / 2;
            (frameBits(middle, false) > target ? fine : coarse) = middle;
        }
        fine = coarse;
    }
    int bits = frameBits(fine, true);
    while (bits > target && fine < kCoarsest) {
        fine = std::min(fine + 1.0, kCoarsest);
        bits = frameBits(fine, true);
    }
    lastOffset_ = fine;
    reservoir_.spend(bits + overheadBits_);

    int length = write(output_.data() + CAdtsHeader::kSize,
                       static_cast<int>(output_.size()) - CAdtsHeader::kSize);
    if (length == 0) {
        return true;
    }
    length += CAdtsHeader::kSize;
    CAdtsHeader::write(output_.data(), samplingIndex_, channelConfig_, length);
    sink(output_.data(), length);
    return true;
}

int CLowDelayAacEncoder::write(unsigned char* payload, int capacity) {
    CAacBitWriter writer(payload, capacity);
    for (const Element& element : elements_) {
        writer.put(static_cast<uint32_t>(element.id), kIdBits);
        writer.put(static_cast<uint32_t>(element.tag), kTagBits);
        if (element.id == kPair) {
            writer.put(1, 1);
            CAacChannelCoder::writeWindowInfo(writer, element.bands);
            writer.put(element.anyMidSide ? 1 : 0, kMaskPresentBits);
            for (int b = 0; element.anyMidSide && b < element.bands; ++b) {
                writer.put(element.midSide[static_cast<std::size_t>(b)] ? 1 : 0, 1);
            }
        }
        for (int i = element.first; i < element.first + element.count; ++i) {
            streams_[static_cast<std::size_t>(i)].coder->write(writer, element.id != kPair);
        }
    }
    writer.put(kEnd, kIdBits);
    writer.flush();
    // The rate loop keeps the frame within AAC's limit, so this never trims a frame.
    return writer.overflowed() ? 0 : writer.bitCount() / 8;
}
