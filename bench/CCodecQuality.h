#pragma once

#include <vector>

// Figures of decoded sound against the original, both interleaved floats
// with the same channel count; the decoded sound lags by `delay` frames.
class CCodecQuality {
public:
    CCodecQuality(const std::vector<float>& original, const std::vector<float>& decoded,
                  int channels, int sampleRate, int delay);

    // Mean SNR of 20 ms segments that are not silent, each held to
    // [-10, 40] dB so that a few perfect or lost segments do not dominate.
    double segmentalSnrDb() const;
    // Mean absolute level difference in Bark bands (first channel, 1024-sample
    // Hann frames that are not silent), in dB.
    double barkDistortionDb() const;
    // Error energy in the 20 ms before each onset against the original's
    // energy in the 20 ms from it, over all onsets, in dB: lower is better.
    double preEchoDb(const std::vector<int>& onsets) const;

private:
    double original(int frame, int channel) const;
    double decoded(int frame, int channel) const;

    const std::vector<float>& original_;
    const std::vector<float>& decoded_;
    int channels_;
    int sampleRate_;
    int delay_;
    int frames_;
};
