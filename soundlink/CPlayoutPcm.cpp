#include "CPlayoutPcm.h"

#include <algorithm>

void CPlayoutPcm::Configure(int sampleRate, int channels) {
    m_channels = std::max(channels, 1);
    m_fadeFrames = std::max(sampleRate * kFadeMs / 1000, 1);
    m_samples.clear();
    m_last.clear();
    m_quiet = true;
    m_gain = 1.0;
    m_repeats = 0;
}

void CPlayoutPcm::FadeOutTail() {
    const int frames = std::min(Held() / m_channels, m_fadeFrames);
    std::int16_t* tail = m_samples.data() + m_samples.size() - frames * m_channels;
    for (int frame = 0; frame < frames; ++frame) {
        const int gain = frames - 1 - frame;
        for (int channel = 0; channel < m_channels; ++channel) {
            std::int16_t& sample = tail[frame * m_channels + channel];
            sample = static_cast<std::int16_t>(sample * gain / frames);
        }
    }
}

void CPlayoutPcm::Append(const std::int16_t* samples, int count, bool spliced) {
    count -= count % m_channels;
    if (samples == nullptr || count <= 0) {
        return;
    }
    if (spliced && !m_quiet) {
        FadeOutTail();
    }
    m_repeats = 0;
    if (m_gain < 1.0 && !spliced && !m_quiet) {
        // After repeats the decoder runs on without a step; only the level rises.
        AppendRamp(samples, count, 1.0);
        m_last.assign(samples, samples + count);
        return;
    }
    m_gain = 1.0;
    const std::size_t start = m_samples.size();
    m_samples.insert(m_samples.end(), samples, samples + count);
    if (spliced || m_quiet) {
        const int frames = std::min(count / m_channels, m_fadeFrames);
        for (int frame = 0; frame < frames; ++frame) {
            for (int channel = 0; channel < m_channels; ++channel) {
                std::int16_t& sample = m_samples[start + frame * m_channels + channel];
                sample = static_cast<std::int16_t>(sample * frame / frames);
            }
        }
    }
    m_last.assign(samples, samples + count);
    m_quiet = false;
}

void CPlayoutPcm::AppendRamp(const std::int16_t* samples, int count, double toGain) {
    const int frames = count / m_channels;
    for (int frame = 0; frame < frames; ++frame) {
        const double gain = m_gain + (toGain - m_gain) * (frame + 1) / frames;
        for (int channel = 0; channel < m_channels; ++channel) {
            m_samples.push_back(
                static_cast<std::int16_t>(samples[frame * m_channels + channel] * gain));
        }
    }
    m_gain = toGain;
}

bool CPlayoutPcm::Repeat(const std::int16_t* samples, int count) {
    count -= count % m_channels;
    if (samples == nullptr || count <= 0 || m_quiet || m_repeats >= kRepeats) {
        return false;
    }
    ++m_repeats;
    AppendRamp(samples, count, 1.0 - double(m_repeats) / kRepeats);
    if (m_repeats == kRepeats) {
        // Faded away: what follows starts as after silence.
        m_quiet = true;
        m_gain = 1.0;
    }
    return true;
}

void CPlayoutPcm::Conceal(int frameSamples) {
    const int count = frameSamples * m_channels;
    if (count <= 0) {
        return;
    }
    if (m_quiet || m_last.empty() || m_gain < 1.0) {
        if (!m_quiet) {
            FadeOutTail();
        }
        m_samples.insert(m_samples.end(), static_cast<std::size_t>(count), 0);
        m_quiet = true;
        m_gain = 1.0;
        return;
    }
    const int frames = std::min(count, static_cast<int>(m_last.size())) / m_channels;
    const int lastFrames = static_cast<int>(m_last.size()) / m_channels;
    for (int frame = 0; frame < frames; ++frame) {
        const int mirrored = lastFrames - 1 - frame;
        const int gain = frames - 1 - frame;
        for (int channel = 0; channel < m_channels; ++channel) {
            const int sample = m_last[mirrored * m_channels + channel];
            m_samples.push_back(static_cast<std::int16_t>(sample * gain / frames));
        }
    }
    m_samples.insert(m_samples.end(), static_cast<std::size_t>(count - frames * m_channels), 0);
    m_quiet = true;
}

void CPlayoutPcm::Silence(int count) {
    count -= count % m_channels;
    if (count <= 0) {
        return;
    }
    if (!m_quiet) {
        FadeOutTail();
    }
    m_samples.insert(m_samples.end(), static_cast<std::size_t>(count), 0);
    m_quiet = true;
    m_gain = 1.0;
}

int CPlayoutPcm::Pop(std::int16_t* out, int count) {
    count = std::min(count - count % m_channels, Held());
    std::copy_n(m_samples.begin(), count, out);
    m_samples.erase(m_samples.begin(), m_samples.begin() + count);
    return count;
}
