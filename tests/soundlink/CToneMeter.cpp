#include "CToneMeter.h"

#include <cmath>

double CToneMeter::PowerAt(double frequency) const {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * frequency / m_rate);
    double previous = 0.0;
    double beforePrevious = 0.0;
    for (std::int16_t sample : m_samples) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    const double n = static_cast<double>(m_samples.size());
    return n > 0 ? power / (n * n) : 0.0;
}

double CToneMeter::LevelDb() const {
    if (m_samples.empty()) {
        return -200.0;
    }
    double sum = 0.0;
    for (std::int16_t sample : m_samples) {
        sum += static_cast<double>(sample) * sample;
    }
    const double rms = std::sqrt(sum / static_cast<double>(m_samples.size())) / 32768.0;
    return rms > 0.0 ? 20.0 * std::log10(rms) : -200.0;
}
