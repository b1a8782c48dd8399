#pragma once

#include <cstdint>
#include <vector>

// Interleaved 16-bit test sound: every channel carries the same sum of sine
// tones, channel c at 1 / (c + 1) of the level so that swapped or mixed
// channels show up in a comparison.
class CTestTone {
public:
    static std::vector<int16_t> make(int sampleRate, int channels, int sampleFrames,
                                     const std::vector<double>& frequencies, double peak);
    // The same samples scaled to [-1, 1).
    static std::vector<float> toFloat(const std::vector<int16_t>& samples);
};
