#include "CAacAttackDetector.h"

#include <algorithm>

namespace {

constexpr int kBlock = 128;
// A block ten times (10 dB) above what came before is an attack ...
constexpr double kRise = 10.0;
// ... unless it is still quiet: a differenced amplitude of about 64 units.
constexpr double kQuietPerSample = 64.0 * 64.0;
// The envelope halves every block.
constexpr double kFall = 0.5;

}  // namespace

bool CAacAttackDetector::detect(const float* samples, int count) {
    bool attack = false;
    for (int start = 0; start + kBlock <= count; start += kBlock) {
        // The difference of neighbours keeps the steady low notes out.
        double energy = 0.0;
        for (int i = start; i < start + kBlock; ++i) {
            const double rise = samples[i] - previous_;
            energy += rise * rise;
            previous_ = samples[i];
        }
        if (energy > kRise * envelope_ && energy > kQuietPerSample * kBlock) {
            attack = true;
        }
        envelope_ = std::max(energy, envelope_ * kFall);
    }
    return attack;
}
