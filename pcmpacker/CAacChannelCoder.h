#pragma once

#include <array>
#include <vector>

#include "CAacSections.h"
#include "CAacTables.h"
#include "CAacTns.h"

class CAacBitWriter;

// Quantises one channel's long-window spectrum and writes it as an
// individual channel stream (no pulses; temporal noise shaping on attacks).
// The noise allowed in a band grows with the band's energy, partly
// flattened, and one offset on every scale factor trades quality for bits.
class CAacChannelCoder {
public:
    static constexpr int kLines = 1024;
    // Reserved bit, window sequence, window shape, max_sfb, predictor flag.
    static constexpr int kWindowInfoBits = 1 + 2 + 1 + 6 + 1;

    // bandwidthLines: lines above it are not sent.
    CAacChannelCoder(int samplingIndex, int bandwidthLines);

    // Before analyse(): on a frame with an attack, filters the spectrum
    // (kLines values) so that the decoder gives the noise the frame's envelope
    // in time; otherwise the frame keeps its noise flat in time.
    void shapeNoise(float* lines, bool attack);
    // Takes the frame's spectrum (kLines values); quantise() works on it.
    void analyse(const float* lines);
    // Quantises at scale-factor offset `offset` (larger is coarser); returns
    // the bands up to the last one with a value left.
    int quantise(double offset);
    // Codes the first `bands` bands (at least quantise()'s answer; a pair
    // sharing its window information sends as many bands in both channels)
    // and returns the stream's bits. Not `exact`: tries fewer codebooks, for
    // a count a little above the exact one at a fraction of the work.
    int code(int bands, bool ownWindowInfo, bool exact);
    // Writes the stream of the last code().
    void write(CAacBitWriter& writer, bool ownWindowInfo) const;
    // The window information a stream or a pair with a common window starts with.
    static void writeWindowInfo(CAacBitWriter& writer, int bands);

private:
    void quantiseBand(int band);
    int scaleFactorBits() const;

    const uint16_t* offsets_;
    // The bands temporal noise shaping filters.
    int tnsLowBand_ = 0;
    int tnsHighBand_ = 0;
    CAacTns tns_;
    int bands_;
    int codedBands_;
    std::array<float, kLines> magnitudes34_{};
    std::array<float, kLines> signs_{};
    // Scale factors at offset 0, and the finest worth its bits.
    std::array<double, CAacTables::kMaxLongBands> shape_{};
    std::array<double, CAacTables::kMaxLongBands> floor_{};
    std::array<int, CAacTables::kMaxLongBands> finest_{};
    std::array<bool, CAacTables::kMaxLongBands> silent_{};

    // The last quantise().
    std::array<int, kLines> values_{};
    std::array<int, CAacTables::kMaxLongBands> scaleFactors_{};
    std::array<CAacSections::BandCosts, CAacTables::kMaxLongBands> costs_{};
    std::vector<CAacSections::Section> sections_;
    int sentBands_ = 0;
};
