#include "CTestSignals.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

const double kTwoPi = 2.0 * std::acos(-1.0);

CTestSignals::Sound spread(const std::vector<double>& mono, int channels, std::vector<int> onsets) {
    CTestSignals::Sound sound;
    const int frames = static_cast<int>(mono.size());
    sound.samples.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        const double gain = 1.0 / (1.0 + 0.3 * c);
        for (int i = 0; i < frames; ++i) {
            const int from = i - 2 * c;
            const double value = from >= 0 ? mono[static_cast<std::size_t>(from)] * gain : 0.0;
            sound.samples[static_cast<std::size_t>(i) * static_cast<std::size_t>(channels) +
                          static_cast<std::size_t>(c)] =
                static_cast<int16_t>(std::lround(std::clamp(value, -32768.0, 32767.0)));
        }
    }
    sound.onsets = std::move(onsets);
    return sound;
}

}  // namespace

CTestSignals::Sound CTestSignals::speech(int sampleRate, int channels, int sampleFrames) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> mono(static_cast<std::size_t>(sampleFrames), 0.0);
    std::vector<int> onsets;
    int at = sampleRate / 10;
    while (at < sampleFrames) {
        // A plosive: 15 ms of noise that starts at full strength and dies away.
        const int burst = sampleRate * 15 / 1000;
        onsets.push_back(at);
        for (int i = 0; i < burst && at + i < sampleFrames; ++i) {
            mono[static_cast<std::size_t>(at + i)] +=
                9000.0 * (2.0 * unit(random) - 1.0) * std::exp(-5.0 * i / burst);
        }
        at += burst + sampleRate / 100;
        // A vowel of 150 to 350 ms gliding between two pitches in 80-400 Hz.
        const int vowel = sampleRate * (150 + static_cast<int>(200 * unit(random))) / 1000;
        const double startPitch = 80.0 + 320.0 * unit(random);
        const double endPitch = 80.0 + 320.0 * unit(random);
        const double formant = 500.0 + 1500.0 * unit(random);
        double phase = 0.0;
        for (int i = 0; i < vowel && at + i < sampleFrames; ++i) {
            const double t = static_cast<double>(i) / vowel;
            const double pitch = startPitch + (endPitch - startPitch) * t;
            phase += kTwoPi * pitch / sampleRate;
            double value = 0.0;
            for (int h = 1; pitch * h < std::min(4000.0, sampleRate / 2.0); ++h) {
                const double f = pitch * h;
                const double level = 1.0 / h + 2.0 / (1.0 + std::pow((f - formant) / 200.0, 2));
                value += level * std::sin(h * phase);
            }
            mono[static_cast<std::size_t>(at + i)] += 3000.0 * std::sin(kTwoPi * 0.5 * t) * value;
        }
        // A pause of 100 to 300 ms.
        at += vowel + sampleRate * (100 + static_cast<int>(200 * unit(random))) / 1000;
    }
    return spread(mono, channels, onsets);
}

CTestSignals::Sound CTestSignals::music(int sampleRate, int channels, int sampleFrames) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> mono(static_cast<std::size_t>(sampleFrames), 0.0);
    // Chords of four notes, 6 harmonics each, a new one every half second.
    const int chordLength = sampleRate / 2;
    const double roots[] = {130.8, 174.6, 196.0, 220.0};
    const double intervals[] = {1.0, 1.26, 1.5, 2.0};
    for (int start = 0, n = 0; start < sampleFrames; start += chordLength, ++n) {
        const double root = roots[n % 4];
        for (int i = 0; i < chordLength && start + i < sampleFrames; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            double value = 0.0;
            for (double interval : intervals) {
                for (int h = 1; h <= 6 && root * interval * h < sampleRate / 2.0; ++h) {
                    value += std::sin(kTwoPi * root * interval * h * t) / (h * h);
                }
            }
            mono[static_cast<std::size_t>(start + i)] += 2500.0 * std::exp(-1.5 * t) * value;
        }
    }
    // A hit every 250 ms: a click, then 60 ms of fading noise. The chord is
    // still sounding before it, as in a band.
    std::vector<int> onsets;
    const int hitLength = sampleRate * 60 / 1000;
    for (int at = sampleRate / 8; at < sampleFrames; at += sampleRate / 4) {
        onsets.push_back(at);
        for (int i = 0; i < hitLength && at + i < sampleFrames; ++i) {
            const double click = i < 8 ? 12000.0 * (i % 2 == 0 ? 1.0 : -1.0) : 0.0;
            mono[static_cast<std::size_t>(at + i)] +=
                click + 8000.0 * (2.0 * unit(random) - 1.0) * std::exp(-8.0 * i / hitLength);
        }
    }
    return spread(mono, channels, onsets);
}
