#pragma once

#include <vector>

// Signal-to-noise ratio of decoded sound against the original, after finding
// the delay (the encoder's priming samples) that lines them up best.
class CAlignedSnr {
public:
    struct Result {
        double snrDb = 0.0;
        int delayFrames = -1;  // -1 when the sounds were too short to compare
    };

    // Both signals are interleaved with the same channel count and the
    // original starts with its sound. The first skipFrames of the original
    // (the encoder's start-up transient) are left out of the ratio.
    static Result measure(const std::vector<float>& original, const std::vector<float>& decoded,
                          int channels, int maxDelayFrames, int skipFrames);
};
