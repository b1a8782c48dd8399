#pragma once

#include <cstdint>

// The pitch period of voiced sound, for stretching and standing in for it:
// the lag at which a stretch of the sound (the mean of its channels) is most
// like the same stretch that many samples away, between 2.5 and 12.5 ms
// (voices of 400 down to 80 Hz).
class CPitchPeriod {
public:
    struct Result {
        int period = 0;            // in sample frames
        double correlation = 0.0;  // -1..1; 0 for silence
    };

    CPitchPeriod(int sampleRate, int channels);

    int MinPeriod() const { return m_minPeriod; }
    int MaxPeriod() const { return m_maxPeriod; }
    // Frames compared at each lag.
    int Window() const { return m_window; }

    // Compares the window of frames starting at frame `at` of the interleaved
    // samples with the window `direction` (+1 or -1) periods away; every
    // frame read must lie in [0, frames).
    Result Find(const std::int16_t* samples, int frames, int at, int direction) const;

private:
    int m_channels;
    int m_minPeriod;
    int m_maxPeriod;
    int m_window;
};
