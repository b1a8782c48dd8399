#include "CVoiceStretch.h"

#include <algorithm>
#include <cmath>

namespace {

// Comfort noise never rises above this (about -50 dB of full scale), whatever
// the pauses held.
constexpr double kMaxNoiseRms = 100.0;
// How fast the pauses' level may rise per frame, so speech does not lift it,
// and how fast the speech's level falls.
constexpr double kNoiseRise = 1.05;
constexpr double kSpeechFall = 0.98;
// Quiet is 20 dB below the speech.
constexpr double kQuietShare = 0.1;

std::int16_t Clip(float value) {
    return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

}  // namespace

void CVoiceStretch::Configure(int sampleRate, int channels) {
    m_rate = std::max(sampleRate, 1);
    m_channels = std::max(channels, 1);
    m_pitch = CPitchPeriod(m_rate, m_channels);
    m_buffer.clear();
    m_heldAt = 0;
    m_cycle.clear();
    m_cycleAt = 0;
    m_madeUpFrames = 0;
    m_madeUp = false;
    m_quiet = true;
    m_noiseRms = 0.0;
    m_speechRms = 0.0;
}

int CVoiceStretch::LatestPeriod(int maxFrames) const {
    const int frames = Frames();
    const CPitchPeriod::Result found =
        m_pitch.Find(m_buffer.data(), frames, frames - m_pitch.Window(), -1);
    if (found.period > 0 && found.correlation >= kVoiced) {
        return found.period;
    }
    return std::min({m_rate / 100, frames, maxFrames});
}

void CVoiceStretch::TakeCycle() {
    m_cycleAt = 0;
    m_madeUpFrames = 0;
    const int period = m_quiet ? 0 : LatestPeriod(m_rate / 100);
    if (period <= 0) {
        // After silence the continuation is silence.
        m_cycle.assign(static_cast<std::size_t>(m_rate / 100 * m_channels), 0.0f);
        return;
    }
    const auto from = m_buffer.end() - period * m_channels;
    m_cycle.assign(from, m_buffer.end());
}

void CVoiceStretch::NextMadeUp(float* out) {
    const int full = m_rate * kFullMs / 1000;
    const int fade = m_rate * kFadeMs / 1000;
    const int k = m_madeUpFrames++;
    const double gain = k < full ? 1.0 : k < full + fade ? 1.0 - double(k - full) / fade : 0.0;
    const int cycleFrames = static_cast<int>(m_cycle.size()) / m_channels;
    for (int c = 0; c < m_channels; ++c) {
        m_noiseState = m_noiseState * 1664525u + 1013904223u;
        const double noise = ((m_noiseState >> 8) / double(1u << 24) - 0.5) * 3.4641 * m_noiseRms;
        out[c] =
            static_cast<float>(m_cycle[m_cycleAt * m_channels + c] * gain + noise * (1.0 - gain));
    }
    m_cycleAt = (m_cycleAt + 1) % std::max(cycleFrames, 1);
}

void CVoiceStretch::CrossFadeTail(const float* to, int frames) {
    std::int16_t* tail = m_buffer.data() + m_buffer.size() - frames * m_channels;
    for (int f = 0; f < frames; ++f) {
        const float w = (f + 0.5f) / frames;
        for (int c = 0; c < m_channels; ++c) {
            std::int16_t& sample = tail[f * m_channels + c];
            sample = Clip(sample * (1.0f - w) + to[f * m_channels + c] * w);
        }
    }
}

void CVoiceStretch::AppendMadeUp(int frames) {
    if (!m_madeUp) {
        TakeCycle();
        // The sound waiting turns into the period before its last one, which
        // the repeats then continue without a step.
        const int cycleFrames = static_cast<int>(m_cycle.size()) / m_channels;
        const int fade = std::min(cycleFrames, HeldFrames());
        if (!m_quiet && fade > 0 && Frames() >= cycleFrames + fade) {
            const auto from = m_buffer.end() - (cycleFrames + fade) * m_channels;
            const std::vector<float> earlier(from, from + fade * m_channels);
            CrossFadeTail(earlier.data(), fade);
        }
        m_madeUp = true;
    }
    std::vector<float> frame(static_cast<std::size_t>(m_channels));
    m_buffer.reserve(m_buffer.size() + static_cast<std::size_t>(frames * m_channels));
    for (int f = 0; f < frames; ++f) {
        NextMadeUp(frame.data());
        for (float value : frame) {
            m_buffer.push_back(Clip(value));
        }
    }
}

void CVoiceStretch::Append(const std::int16_t* samples, int count, bool spliced) {
    const int frames = count / m_channels;
    if (samples == nullptr || frames <= 0) {
        return;
    }
    std::size_t start = m_buffer.size();
    m_buffer.insert(m_buffer.end(), samples, samples + frames * m_channels);
    if (m_madeUp || m_quiet || spliced) {
        // Continue what came before for a moment and fade it into the new sound.
        if (!m_madeUp) {
            // Taken from the sound before the frame, not from the frame itself.
            m_buffer.resize(start);
            TakeCycle();
            m_buffer.insert(m_buffer.end(), samples, samples + frames * m_channels);
        }
        const int join = std::min(frames, m_rate * kJoinMs / 1000);
        std::vector<float> before(static_cast<std::size_t>(m_channels));
        for (int f = 0; f < join; ++f) {
            NextMadeUp(before.data());
            const float w = (f + 0.5f) / join;
            for (int c = 0; c < m_channels; ++c) {
                std::int16_t& sample = m_buffer[start + f * m_channels + c];
                sample = Clip(before[c] * (1.0f - w) + sample * w);
            }
        }
    }
    TrackLevels(samples, frames);
    m_madeUp = false;
    m_quiet = false;
}

int CVoiceStretch::Extend(int frames) {
    if (frames <= 0) {
        return 0;
    }
    if (m_quiet && !m_madeUp) {
        Silence(frames);
        return frames;
    }
    AppendMadeUp(frames);
    return frames;
}

void CVoiceStretch::Silence(int frames) {
    if (frames <= 0) {
        return;
    }
    if (!m_quiet) {
        const int fade = std::min(HeldFrames(), m_rate * kJoinMs / 1000);
        const std::vector<float> zeros(static_cast<std::size_t>(fade * m_channels), 0.0f);
        CrossFadeTail(zeros.data(), fade);
    }
    m_buffer.insert(m_buffer.end(), static_cast<std::size_t>(frames * m_channels), 0);
    m_quiet = true;
    m_madeUp = false;
}

int CVoiceStretch::Lengthen(int maxFrames) {
    if (m_madeUp || m_quiet) {
        return 0;
    }
    const int end = Frames();
    const CPitchPeriod::Result found =
        m_pitch.Find(m_buffer.data(), end, end - m_pitch.Window(), -1);
    const bool voiced = found.period > 0 && found.correlation >= kVoiced;
    const int period = voiced ? found.period : std::min({m_rate / 100, end, maxFrames});
    const int at = end - period;
    if (period <= 0 || period > maxFrames || at < m_heldAt || at < period ||
        (!voiced && !IsQuiet(at - period, 2 * period))) {
        return 0;
    }
    // The last period is faded into the one before it and then comes again:
    // one period longer, and every join lies between like samples.
    const std::vector<std::int16_t> last(m_buffer.begin() + at * m_channels, m_buffer.end());
    for (int f = 0; f < period; ++f) {
        const float w = (f + 0.5f) / period;
        for (int c = 0; c < m_channels; ++c) {
            std::int16_t& sample = m_buffer[(at + f) * m_channels + c];
            sample = Clip(sample * (1.0f - w) + m_buffer[(at - period + f) * m_channels + c] * w);
        }
    }
    m_buffer.insert(m_buffer.end(), last.begin(), last.end());
    return period;
}

int CVoiceStretch::Shorten(int maxFrames) {
    const int at = m_heldAt;
    const int held = HeldFrames();
    const CPitchPeriod::Result found = m_pitch.Find(m_buffer.data(), Frames(), at, +1);
    const bool voiced = found.period > 0 && found.correlation >= kVoiced;
    const int period = voiced ? found.period : std::min(m_rate / 100, maxFrames);
    if (period <= 0 || period > maxFrames || held < 2 * period ||
        (!voiced && !IsQuiet(at, 2 * period))) {
        return 0;
    }
    // The first period waiting fades into the second, which is left out.
    for (int f = 0; f < period; ++f) {
        const float w = (f + 0.5f) / period;
        for (int c = 0; c < m_channels; ++c) {
            std::int16_t& sample = m_buffer[(at + f) * m_channels + c];
            sample = Clip(sample * (1.0f - w) + m_buffer[(at + period + f) * m_channels + c] * w);
        }
    }
    const auto gone = m_buffer.begin() + (at + period) * m_channels;
    m_buffer.erase(gone, gone + period * m_channels);
    return period;
}

int CVoiceStretch::Pop(std::int16_t* out, int count) {
    count = std::min(count - count % m_channels, Held());
    if (count <= 0) {
        return 0;
    }
    std::copy_n(m_buffer.begin() + m_heldAt * m_channels, count, out);
    m_heldAt += count / m_channels;
    TrimPast();
    return count;
}

void CVoiceStretch::TrimPast() {
    // Enough of what was played for finding a period behind the sound waiting.
    const int keep = 2 * m_pitch.MaxPeriod() + m_pitch.Window();
    if (m_heldAt > 2 * keep) {
        const int drop = m_heldAt - keep;
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + drop * m_channels);
        m_heldAt -= drop;
    }
}

bool CVoiceStretch::IsQuiet(int from, int count) const {
    double energy = 0.0;
    for (int i = from * m_channels; i < (from + count) * m_channels; ++i) {
        energy += double(m_buffer[i]) * m_buffer[i];
    }
    return count > 0 && std::sqrt(energy / (count * m_channels)) <= m_speechRms * kQuietShare;
}

void CVoiceStretch::TrackLevels(const std::int16_t* samples, int frames) {
    const int block = std::max(m_rate / 100, 1);
    for (int from = 0; from + block <= frames; from += block) {
        double energy = 0.0;
        for (int i = from * m_channels; i < (from + block) * m_channels; ++i) {
            energy += double(samples[i]) * samples[i];
        }
        const double rms = std::sqrt(energy / (block * m_channels));
        m_noiseRms = std::min({std::max(m_noiseRms, 1.0) * kNoiseRise, rms, kMaxNoiseRms});
        m_speechRms = std::max(m_speechRms * kSpeechFall, rms);
    }
}
