#pragma once

#include <cstdint>
#include <vector>

// Interleaved 16-bit sounds that stress a transform coder the way a call
// does: speech-like (voiced harmonics on a moving pitch, plosive bursts,
// pauses) and music-like (chords with clicks and drum hits). The same sound
// is on every channel, each later channel a little quieter and later.
class CTestSignals {
public:
    struct Sound {
        std::vector<int16_t> samples;
        // Sample frames where a plosive or a hit starts out of quiet.
        std::vector<int> onsets;
    };

    static Sound speech(int sampleRate, int channels, int sampleFrames);
    static Sound music(int sampleRate, int channels, int sampleFrames);
};
