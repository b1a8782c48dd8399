#include "CPitchPeriod.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A shorter lag this close to the best wins, so a period is not taken for
// two of them.
constexpr double kNearBest = 0.97;

}  // namespace

CPitchPeriod::CPitchPeriod(int sampleRate, int channels)
    : m_channels(std::max(channels, 1)),
      m_minPeriod(std::max(sampleRate / 400, 1)),
      m_maxPeriod(std::max(sampleRate / 80, 2)),
      m_window(std::max(sampleRate / 100, 1)) {}

CPitchPeriod::Result CPitchPeriod::Find(const std::int16_t* samples, int frames, int at,
                                        int direction) const {
    Result result;
    // Only lags whose both windows lie within the sound.
    const int room = direction > 0 ? frames - at - m_window : at;
    const int longest = std::min(m_maxPeriod, room);
    if (samples == nullptr || at < 0 || at + m_window > frames || longest < m_minPeriod) {
        return result;
    }
    const int first = direction > 0 ? at : at - longest;
    const int span = longest + m_window;
    std::vector<float> mono(static_cast<std::size_t>(span));
    for (int f = 0; f < span; ++f) {
        int sum = 0;
        for (int c = 0; c < m_channels; ++c) {
            sum += samples[(first + f) * m_channels + c];
        }
        mono[static_cast<std::size_t>(f)] = static_cast<float>(sum);
    }
    // The window's own offset inside mono, and its energy.
    const int base = at - first;
    double own = 0.0;
    for (int f = 0; f < m_window; ++f) {
        own += double(mono[base + f]) * mono[base + f];
    }
    if (own <= 0.0) {
        return result;
    }
    std::vector<double> score(static_cast<std::size_t>(longest + 1), -1.0);
    double best = -1.0;
    for (int lag = m_minPeriod; lag <= longest; ++lag) {
        const int other = base + direction * lag;
        double cross = 0.0;
        double energy = 0.0;
        for (int f = 0; f < m_window; ++f) {
            cross += double(mono[base + f]) * mono[other + f];
            energy += double(mono[other + f]) * mono[other + f];
        }
        const double value = energy > 0.0 ? cross / std::sqrt(own * energy) : 0.0;
        score[static_cast<std::size_t>(lag)] = value;
        best = std::max(best, value);
    }
    for (int lag = m_minPeriod; lag <= longest; ++lag) {
        const double value = score[static_cast<std::size_t>(lag)];
        const bool peak = (lag == m_minPeriod || value >= score[lag - 1]) &&
                          (lag == longest || value >= score[lag + 1]);
        if (peak && value >= best * kNearBest) {
            result.period = lag;
            result.correlation = value;
            return result;
        }
    }
    return result;
}
