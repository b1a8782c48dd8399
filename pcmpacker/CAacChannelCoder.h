#pragma once

#include <array>
#include <vector>

#include "CAacSections.h"
#include "CAacTables.h"

class CAacBitWriter;

// Quantises one channel's long-window spectrum and writes it as an
// individual channel stream (own window information, no pulses, no TNS).
// The noise allowed in a band grows with the band's energy, partly
// flattened, and one offset on every scale factor trades quality for bits.
class CAacChannelCoder {
public:
    static constexpr int kLines = 1024;

    // bandwidthLines: lines above it are not sent.
    CAacChannelCoder(int samplingIndex, int bandwidthLines);

    // Takes the frame's spectrum (kLines values); quantise() works on it.
    void analyse(const float* lines);
    // Bits of the stream at scale-factor offset `offset`: larger is coarser.
    int quantise(double offset);
    // Writes the stream of the last quantise().
    void write(CAacBitWriter& writer) const;
    // Signal energy of the frame's sent lines.
    double energy() const { return totalEnergy_; }

private:
    void quantiseBand(int band);
    int scaleFactorBits() const;

    const uint16_t* offsets_;
    int bands_;
    int codedBands_;
    std::array<float, kLines> magnitudes34_{};
    std::array<float, kLines> signs_{};
    // Scale factors at offset 0, and the finest worth its bits.
    std::array<double, CAacTables::kMaxLongBands> shape_{};
    std::array<double, CAacTables::kMaxLongBands> floor_{};
    std::array<int, CAacTables::kMaxLongBands> finest_{};
    std::array<bool, CAacTables::kMaxLongBands> silent_{};
    double totalEnergy_ = 0.0;

    // The last quantise().
    std::array<int, kLines> values_{};
    std::array<int, CAacTables::kMaxLongBands> scaleFactors_{};
    std::array<CAacSections::BandCosts, CAacTables::kMaxLongBands> costs_{};
    std::vector<CAacSections::Section> sections_;
    int sentBands_ = 0;
};
