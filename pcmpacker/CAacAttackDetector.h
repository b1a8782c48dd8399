#pragma once

// Spots a sudden rise of level in one channel (a plosive, a click, a drum),
// where a long window spreads the frame's noise before the sound starts.
class CAacAttackDetector {
public:
    // samples: one frame of the channel in 16-bit units.
    bool detect(const float* samples, int count);

private:
    float previous_ = 0.0f;
    // Level of the blocks before, falling off slowly.
    double envelope_ = 0.0;
};
