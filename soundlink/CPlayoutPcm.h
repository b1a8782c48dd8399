#pragma once

#include <cstdint>
#include <vector>

// Decoded sound on its way to the speaker, 16-bit interleaved. Wherever the
// sound does not run on by itself (a missing frame, a skipped one, the start
// after silence) it is faded, so no step ever reaches the speaker: a missing
// frame after sound is best stood in for by the decoder's output for the
// frame before it again (Repeat), which the codec's overlap joins without a
// step; each repeat in a row is quieter, and the next real frame rises back
// to full level. Without a frame to repeat, a missing frame is the last frame
// mirrored (its first sample meets the last one heard) fading to silence;
// sound after a gap fades in; before a splice the sound still waiting fades out.
class CPlayoutPcm {
public:
    static constexpr int kFadeMs = 3;
    // Repeats in a row before the sound has faded away (about 100 ms).
    static constexpr int kRepeats = 3;

    void Configure(int sampleRate, int channels);

    // A decoded frame; spliced when it does not follow what came before.
    void Append(const std::int16_t* samples, int count, bool spliced);
    // Stands in for one missing frame of frameSamples per channel.
    void Conceal(int frameSamples);
    // Stands in for one missing frame with samples the decoder made again
    // from the frame before; false (nothing added) when repeating is over,
    // after kRepeats in a row or after silence: Conceal then.
    bool Repeat(const std::int16_t* samples, int count);
    // Silence of count samples (all channels).
    void Silence(int count);

    // Samples of every channel waiting.
    int Held() const { return static_cast<int>(m_samples.size()); }
    // Samples kept back so the sound waiting can still be faded out.
    int FadeSamples() const { return m_fadeFrames * m_channels; }
    // Moves up to count samples (whole frames) to out; the count moved.
    int Pop(std::int16_t* out, int count);

private:
    void FadeOutTail();
    // Appends samples whose level goes from m_gain to toGain.
    void AppendRamp(const std::int16_t* samples, int count, double toGain);

    int m_channels = 2;
    int m_fadeFrames = 160;
    std::vector<std::int16_t> m_samples;
    std::vector<std::int16_t> m_last;
    // What is waiting ends in silence.
    bool m_quiet = true;
    // The level what is waiting ends at, below 1 after repeats.
    double m_gain = 1.0;
    int m_repeats = 0;
};
