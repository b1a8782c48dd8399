#pragma once

#include <cstdint>
#include <vector>

// What a recording holds: the power of one frequency and the overall level.
class CToneMeter {
public:
    CToneMeter(const std::vector<std::int16_t>& samples, int sampleRate)
        : m_samples(samples), m_rate(sampleRate) {}

    // Goertzel power of frequency, normalised by the window length.
    double PowerAt(double frequency) const;
    // Level of the whole window in dB below full scale.
    double LevelDb() const;

private:
    const std::vector<std::int16_t>& m_samples;
    int m_rate;
};
