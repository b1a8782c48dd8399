#include "CTestTone.h"

#include <cmath>

std::vector<int16_t> CTestTone::make(int sampleRate, int channels, int sampleFrames,
                                     const std::vector<double>& frequencies, double peak) {
    const double twoPi = 2.0 * std::acos(-1.0);
    const double partLevel = peak * 32767.0 / static_cast<double>(frequencies.size());
    std::vector<int16_t> samples(static_cast<std::size_t>(sampleFrames) *
                                 static_cast<std::size_t>(channels));
    for (int i = 0; i < sampleFrames; ++i) {
        double value = 0.0;
        for (double frequency : frequencies) {
            value += partLevel * std::sin(twoPi * frequency * i / sampleRate);
        }
        for (int c = 0; c < channels; ++c) {
            samples[static_cast<std::size_t>(i) * static_cast<std::size_t>(channels) +
                    static_cast<std::size_t>(c)] =
                static_cast<int16_t>(std::lround(value / (c + 1)));
        }
    }
    return samples;
}

std::vector<float> CTestTone::toFloat(const std::vector<int16_t>& samples) {
    std::vector<float> scaled(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        scaled[i] = static_cast<float>(samples[i]) / 32768.0f;
    }
    return scaled;
}
