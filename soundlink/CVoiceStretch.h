#pragma once

#include <cstdint>
#include <vector>

#include "CPitchPeriod.h"

// Decoded sound on its way to the speaker (16-bit interleaved), made longer
// or shorter by whole pitch periods so the playout can follow the network
// without silence and without cutting frames. Shortening cross-fades one
// period into the next and leaves it out; lengthening repeats the latest
// period. Sound that is missing (a lost frame, or a frame not here yet) is
// made up the same way: the latest period repeated, full for a while, then
// fading into a quiet noise at the level of the pauses before. Sound that does
// not follow on from what came before (after made-up sound, or a splice) is
// joined by a cross-fade with the made-up continuation, so no step ever
// reaches the speaker. Sound without a clear period is stretched in pieces of
// up to 10 ms, and only where it is quiet: a piece cut from a consonant or a
// click would be heard.
//
// One thread (the playback's streaming thread).
class CVoiceStretch {
public:
    // Made-up sound stays at full level this long, then fades over kFadeMs.
    static constexpr int kFullMs = 20;
    static constexpr int kFadeMs = 60;
    // The cross-fade joining sound that does not follow on.
    static constexpr int kJoinMs = 5;
    // Below this correlation the sound is taken as having no period.
    static constexpr double kVoiced = 0.5;

    void Configure(int sampleRate, int channels);

    // A decoded frame; spliced when it does not follow the frame before.
    void Append(const std::int16_t* samples, int count, bool spliced);
    // Made-up sound of at least `frames` sample frames, in whole periods;
    // the frames added.
    int Extend(int frames);
    // Silence of `frames` sample frames; what came before fades out.
    void Silence(int frames);
    // Lengthens the sound waiting by one period of at most maxFrames; the
    // frames added, 0 when too little waits to be changed without a step or
    // the period is longer.
    int Lengthen(int maxFrames);
    // Shortens the sound waiting by one period of at most maxFrames; the
    // frames removed, 0 when too little waits or the period is longer.
    int Shorten(int maxFrames);

    // Samples of every channel waiting.
    int Held() const { return static_cast<int>(m_buffer.size()) - m_heldAt * m_channels; }
    int HeldFrames() const { return Held() / m_channels; }
    // Moves up to count samples (whole frames) to out; the count moved.
    int Pop(std::int16_t* out, int count);
    // Whether the last sound added was made up.
    bool MadeUp() const { return m_madeUp; }

private:
    int Frames() const { return static_cast<int>(m_buffer.size()) / m_channels; }
    // The period of the latest sound, or a piece of up to 10 ms (and up to
    // maxFrames) of sound without one.
    int LatestPeriod(int maxFrames) const;
    // Takes the latest period as the piece that made-up sound repeats.
    void TakeCycle();
    // The next made-up frame into out (m_channels samples).
    void NextMadeUp(float* out);
    void AppendMadeUp(int frames);
    // Fades the frames waiting at the end from what they are into `to`.
    void CrossFadeTail(const float* to, int frames);
    void TrackLevels(const std::int16_t* samples, int frames);
    // Whether frames [from, from + count) are quiet next to the speech before.
    bool IsQuiet(int from, int count) const;
    void TrimPast();

    int m_rate = 32000;
    int m_channels = 2;
    CPitchPeriod m_pitch{32000, 2};
    // What was played recently, then what waits (from frame m_heldAt on).
    std::vector<std::int16_t> m_buffer;
    int m_heldAt = 0;
    // The period repeated by made-up sound, its place, and how much was made up in a row.
    std::vector<float> m_cycle;
    int m_cycleAt = 0;
    int m_madeUpFrames = 0;
    bool m_madeUp = false;
    bool m_quiet = true;
    // The level of the pauses (RMS of the quietest recent 10 ms), and the noise's state.
    double m_noiseRms = 0.0;
    // The level of speech: the loudest recent 10 ms, falling slowly.
    double m_speechRms = 0.0;
    std::uint32_t m_noiseState = 12345;
};
