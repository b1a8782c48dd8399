#include "CAacChannelCoder.h"

#include <algorithm>
#include <cmath>

#include "CAacBitWriter.h"
#include "CAacHuffman.h"

namespace {

// A scale factor sf scales by 2^((sf - 100) / 4).
constexpr int kScaleFactorZero = 100;
constexpr int kLargestScaleFactor = 255;
// Rounding below one half pays off: values just over a boundary are rare.
constexpr float kRounding = 0.4054f;
// 1: the same signal-to-noise ratio in every band; 0: the same noise level.
// Nearly flat noise measured best on speech and music (bench_pcmpacker).
constexpr double kShapeExponent = 0.2;
// Noise per line of a uniform quantiser on |x|^(3/4) with step 2^((sf - 100) / 4):
// about 0.148 * step^1.5 * sqrt(|x|).
constexpr double kNoisePerRootLine = 0.148;
// Noise below what rounding to 16 bits already put in is never worth bits:
// that rounding gives about 2^2 * 1024 / 12 per line after the transform.
constexpr double kNoiseFloorPerLine = 4.0 * 1024.0 / 12.0;
constexpr int kGlobalGainBits = 8;
// Pulse, TNS and gain-control flags.
constexpr int kToolFlagBits = 3;
// Temporal noise shaping starts above the low notes (about 1 kHz at 32 kHz),
// whose steady tones would gain nothing from it.
constexpr int kTnsFromLine = 64;

double inverseStep34(int scaleFactor) {
    return std::exp2(-0.1875 * (scaleFactor - kScaleFactorZero));
}

}  // namespace

CAacChannelCoder::CAacChannelCoder(int samplingIndex, int bandwidthLines)
    : offsets_(CAacTables::longBandOffsets(samplingIndex)),
      bands_(CAacTables::longBandCount(samplingIndex)),
      codedBands_(0) {
    while (codedBands_ < bands_ && offsets_[codedBands_] < bandwidthLines) {
        ++codedBands_;
    }
    tnsHighBand_ = std::min(codedBands_, CAacTns::maxBands(samplingIndex));
    while (tnsLowBand_ < tnsHighBand_ && offsets_[tnsLowBand_] < kTnsFromLine) {
        ++tnsLowBand_;
    }
    sections_.reserve(CAacTables::kMaxLongBands);
}

void CAacChannelCoder::shapeNoise(float* lines, bool attack) {
    if (!attack || !tns_.shape(lines, offsets_, tnsLowBand_, tnsHighBand_, bands_)) {
        tns_.clear();
    }
}

void CAacChannelCoder::analyse(const float* lines) {
    for (int b = 0; b < codedBands_; ++b) {
        const auto band = static_cast<std::size_t>(b);
        double energy = 0.0;
        double rootSum = 0.0;
        float largest = 0.0f;
        for (int k = offsets_[b]; k < offsets_[b + 1]; ++k) {
            const float x = lines[k];
            const float magnitude = std::fabs(x);
            const float root = std::sqrt(magnitude);
            // |x|^(3/4) with two square roots, much cheaper than pow().
            magnitudes34_[static_cast<std::size_t>(k)] = std::sqrt(magnitude * root);
            signs_[static_cast<std::size_t>(k)] = x < 0.0f ? -1.0f : 1.0f;
            energy += static_cast<double>(x) * x;
            rootSum += root;
            largest = std::max(largest, magnitude);
        }
        const int width = offsets_[b + 1] - offsets_[b];
        // Below one unit the band is silence to 16-bit ears.
        silent_[band] = largest < 1.0f;
        if (silent_[band]) {
            continue;
        }
        const double allowed = width * std::pow(energy / width, kShapeExponent);
        const double perRoot = 8.0 / 3.0 * std::log2(kNoisePerRootLine * rootSum);
        shape_[band] = kScaleFactorZero + 8.0 / 3.0 * std::log2(allowed) - perRoot;
        floor_[band] =
            kScaleFactorZero + 8.0 / 3.0 * std::log2(width * kNoiseFloorPerLine) - perRoot;
        // The escape codebook ends at 8191: (largest / step)^(3/4) must stay below.
        const double smallestStep = largest / std::pow(CAacHuffman::kLargestValue, 4.0 / 3.0);
        finest_[band] = std::max(
            0, static_cast<int>(std::ceil(kScaleFactorZero + 4.0 * std::log2(smallestStep))));
    }
}

void CAacChannelCoder::quantiseBand(int band) {
    const auto b = static_cast<std::size_t>(band);
    const float scale = static_cast<float>(inverseStep34(scaleFactors_[b]));
    for (int k = offsets_[band]; k < offsets_[band + 1]; ++k) {
        const auto line = static_cast<std::size_t>(k);
        // Only a band far louder than the one before can reach the limit (its
        // scale factor could not follow); it is clipped rather than refused.
        const int magnitude = std::min(static_cast<int>(magnitudes34_[line] * scale + kRounding),
                                       CAacHuffman::kLargestValue);
        values_[line] = signs_[line] < 0.0f ? -magnitude : magnitude;
    }
}

int CAacChannelCoder::quantise(double offset) {
    std::fill(values_.begin(), values_.end(), 0);
    sentBands_ = 0;
    // Neighbouring scale factors of sent bands differ by 60 at most.
    int previous = -1;
    for (int b = 0; b < codedBands_; ++b) {
        const auto band = static_cast<std::size_t>(b);
        if (silent_[band]) {
            continue;
        }
        int sf = static_cast<int>(std::lround(std::max(shape_[band] + offset, floor_[band])));
        sf = std::clamp(sf, finest_[band], kLargestScaleFactor);
        if (previous >= 0) {
            sf = std::clamp(
                sf, std::max(0, previous - CAacTables::kMaxScaleFactorDifference),
                std::min(kLargestScaleFactor, previous + CAacTables::kMaxScaleFactorDifference));
        }
        scaleFactors_[band] = sf;
        quantiseBand(b);
        const bool sent =
            std::any_of(values_.begin() + offsets_[b], values_.begin() + offsets_[b + 1],
                        [](int v) { return v != 0; });
        if (sent) {
            previous = sf;
            sentBands_ = b + 1;
        }
    }
    return sentBands_;
}

int CAacChannelCoder::code(int bands, bool ownWindowInfo, bool exact) {
    sentBands_ = bands;
    for (int b = 0; b < sentBands_; ++b) {
        auto& cost = costs_[static_cast<std::size_t>(b)];
        const int* values = values_.data() + offsets_[b];
        const int width = offsets_[b + 1] - offsets_[b];
        int largest = 0;
        for (int k = 0; k < width; ++k) {
            largest = std::max(largest, std::abs(values[k]));
        }
        cost.fill(CAacHuffman::kUnusable);
        cost[0] = largest == 0 ? 0 : CAacHuffman::kUnusable;
        // The books come in pairs of rising range; the cheapest is nearly
        // always in the first pair that holds the band, which is all an
        // estimate tries.
        int first = 1;
        while (first < CAacTables::kEscapeBook && CAacTables::spectral(first).largest < largest) {
            ++first;
        }
        const int last = exact ? CAacSections::kBooks - 1 : first + 1;
        // A zero band inside a sent section costs its codewords and one
        // scale-factor bit (no change).
        const int zeroBand = largest == 0 ? 1 : 0;
        for (int c = first; c <= last; c += 2) {
            if (c == CAacTables::kEscapeBook) {
                cost[static_cast<std::size_t>(c)] =
                    CAacHuffman::bandBits(values, width, c) + zeroBand;
                continue;
            }
            int bits[2];
            CAacHuffman::pairBits(values, width, c, bits);
            cost[static_cast<std::size_t>(c)] = bits[0] + zeroBand;
            cost[static_cast<std::size_t>(c) + 1] = bits[1] + zeroBand;
        }
    }

    const int spectralBits = CAacSections::choose(costs_.data(), sentBands_, sections_);

    // Zero bands inside sent sections repeat the scale factor before them
    // (the first sent band's before any).
    int last = -1;
    for (int b = 0; b < sentBands_ && last < 0; ++b) {
        if (std::any_of(values_.begin() + offsets_[b], values_.begin() + offsets_[b + 1],
                        [](int v) { return v != 0; })) {
            last = scaleFactors_[static_cast<std::size_t>(b)];
        }
    }
    for (const auto& section : sections_) {
        for (int b = section.start; b < section.end; ++b) {
            auto& sf = scaleFactors_[static_cast<std::size_t>(b)];
            const bool zero =
                std::all_of(values_.begin() + offsets_[b], values_.begin() + offsets_[b + 1],
                            [](int v) { return v == 0; });
            if (section.codebook == 0) {
                continue;
            }
            if (zero) {
                sf = last;
            }
            last = sf;
        }
    }
    return kGlobalGainBits + (ownWindowInfo ? kWindowInfoBits : 0) + kToolFlagBits + tns_.bits() +
           spectralBits + scaleFactorBits();
}

int CAacChannelCoder::scaleFactorBits() const {
    int bits = 0;
    int previous = -1;
    for (const auto& section : sections_) {
        if (section.codebook == 0) {
            continue;
        }
        for (int b = section.start; b < section.end; ++b) {
            const int sf = scaleFactors_[static_cast<std::size_t>(b)];
            bits += CAacTables::scaleFactorBits(previous < 0 ? 0 : sf - previous);
            previous = sf;
        }
    }
    return bits;
}

void CAacChannelCoder::writeWindowInfo(CAacBitWriter& writer, int bands) {
    // Long window only, sine window, no prediction.
    writer.put(0, 1);
    writer.put(0, 2);
    writer.put(0, 1);
    writer.put(static_cast<uint32_t>(bands), 6);
    writer.put(0, 1);
}

void CAacChannelCoder::write(CAacBitWriter& writer, bool ownWindowInfo) const {
    int globalGain = kScaleFactorZero;
    for (const auto& section : sections_) {
        if (section.codebook != 0) {
            globalGain = scaleFactors_[static_cast<std::size_t>(section.start)];
            break;
        }
    }
    writer.put(static_cast<uint32_t>(globalGain), kGlobalGainBits);
    if (ownWindowInfo) {
        writeWindowInfo(writer, sentBands_);
    }
    CAacSections::write(writer, sections_);
    int previous = globalGain;
    for (const auto& section : sections_) {
        if (section.codebook == 0) {
            continue;
        }
        for (int b = section.start; b < section.end; ++b) {
            const int sf = scaleFactors_[static_cast<std::size_t>(b)];
            writer.put(CAacTables::scaleFactorCode(sf - previous),
                       CAacTables::scaleFactorBits(sf - previous));
            previous = sf;
        }
    }
    // No pulses; the TNS flag and its data; no gain control.
    writer.put(0, 1);
    writer.put(tns_.active() ? 1 : 0, 1);
    tns_.write(writer);
    writer.put(0, 1);
    for (const auto& section : sections_) {
        for (int b = section.start; b < section.end; ++b) {
            CAacHuffman::writeBand(writer, values_.data() + offsets_[b],
                                   offsets_[b + 1] - offsets_[b], section.codebook);
        }
    }
}
