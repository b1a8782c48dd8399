#include "CAacBitReservoir.h"

#include <algorithm>

namespace {

// Steady frames keep 5 % of their share back and take a quarter of the
// reservoir; a frame with an attack takes half of it. Pauses fill it.
constexpr int kKeepPercent = 5;
constexpr int kTakeShare = 4;

}  // namespace

CAacBitReservoir::CAacBitReservoir(int averageBits, int capacity)
    : average_(averageBits), capacity_(capacity) {}

int CAacBitReservoir::target(bool attack, int ceiling) const {
    const int bits = attack ? average_ + level_ / 2
                            : average_ * (100 - kKeepPercent) / 100 + level_ / kTakeShare;
    return std::min(bits, ceiling);
}

void CAacBitReservoir::spend(int bits) {
    level_ = std::clamp(level_ + average_ - bits, 0, capacity_);
}
