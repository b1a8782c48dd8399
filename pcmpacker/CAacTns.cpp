#include "CAacTns.h"

#include <algorithm>
#include <cmath>

#include "CAacBitWriter.h"

namespace {

// Below this ratio of spectrum to residual energy the filter does not pay.
constexpr double kMinimumGain = 1.4;
// Four bits per coefficient (coef_res 1); three when all fit (coef_compress).
constexpr int kResolutionBits = 4;
constexpr int kFilterCountBits = 2;
constexpr int kLengthBits = 6;
constexpr int kOrderBits = 5;
// A Gaussian lag window smooths the envelope the filter follows, which keeps
// it stable under the coarse quantisation of its coefficients.
constexpr double kLagWindow = 0.005;

const double kHalfPi = std::acos(0.0);
// The decoder's inverse quantisation: sin(index / (index >= 0 ? up : down)).
const double kUp = ((1 << (kResolutionBits - 1)) - 0.5) / kHalfPi;
const double kDown = ((1 << (kResolutionBits - 1)) + 0.5) / kHalfPi;

double reflection(int index) {
    return std::sin(index / (index >= 0 ? kUp : kDown));
}

}  // namespace

int CAacTns::maxBands(int samplingIndex) {
    static constexpr int kMaxBands[] = {31, 31, 34, 40, 42, 51, 46, 46, 42, 42, 42, 39, 39};
    return kMaxBands[samplingIndex];
}

bool CAacTns::shape(float* lines, const uint16_t* offsets, int lowBand, int highBand,
                    int bandCount) {
    order_ = 0;
    const int from = offsets[lowBand];
    const int count = offsets[highBand] - from;
    if (count <= 2 * kMaxOrder) {
        return false;
    }
    const float* x = lines + from;
    std::array<double, kMaxOrder + 1> r{};
    for (int lag = 0; lag <= kMaxOrder; ++lag) {
        double sum = 0.0;
        for (int n = lag; n < count; ++n) {
            sum += static_cast<double>(x[n]) * x[n - lag];
        }
        r[static_cast<std::size_t>(lag)] = sum * std::exp(-kLagWindow * lag * lag);
    }
    if (r[0] <= 0.0) {
        return false;
    }

    // Levinson-Durbin: the reflection coefficients of the error filter
    // 1 + a1 z^-1 + ..., quantised as the decoder will read them.
    std::array<double, kMaxOrder + 1> a{};
    std::array<double, kMaxOrder + 1> previous{};
    a[0] = 1.0;
    double error = r[0];
    for (int m = 1; m <= kMaxOrder; ++m) {
        double sum = r[static_cast<std::size_t>(m)];
        for (int i = 1; i < m; ++i) {
            sum += a[static_cast<std::size_t>(i)] * r[static_cast<std::size_t>(m - i)];
        }
        const double k = std::clamp(-sum / error, -0.999, 0.999);
        previous = a;
        for (int i = 1; i < m; ++i) {
            a[static_cast<std::size_t>(i)] += k * previous[static_cast<std::size_t>(m - i)];
        }
        a[static_cast<std::size_t>(m)] = k;
        error *= 1.0 - k * k;
        const double angle = std::asin(k);
        indices_[static_cast<std::size_t>(m - 1)] =
            std::clamp(static_cast<int>(std::lround(angle * (angle >= 0.0 ? kUp : kDown))),
                       -(1 << (kResolutionBits - 1)), (1 << (kResolutionBits - 1)) - 1);
    }
    if (r[0] / error < kMinimumGain) {
        return false;
    }
    int order = kMaxOrder;
    while (order > 0 && indices_[static_cast<std::size_t>(order - 1)] == 0) {
        --order;
    }
    if (order == 0) {
        return false;
    }

    // The filter the decoder inverts, built from the quantised coefficients.
    a.fill(0.0);
    a[0] = 1.0;
    compress_ = true;
    for (int m = 1; m <= order; ++m) {
        const int index = indices_[static_cast<std::size_t>(m - 1)];
        compress_ = compress_ && index >= -(1 << (kResolutionBits - 2)) &&
                    index < (1 << (kResolutionBits - 2));
        const double k = reflection(index);
        previous = a;
        for (int i = 1; i < m; ++i) {
            a[static_cast<std::size_t>(i)] += k * previous[static_cast<std::size_t>(m - i)];
        }
        a[static_cast<std::size_t>(m)] = k;
    }
    // Upwards in frequency, from the bottom of the range, on the unfiltered lines.
    std::array<float, kMaxOrder> history{};
    float* line = lines + from;
    for (int n = 0; n < count; ++n) {
        const float input = line[n];
        double residual = input;
        for (int i = 1; i <= std::min(n, order); ++i) {
            residual += a[static_cast<std::size_t>(i)] * history[static_cast<std::size_t>(i - 1)];
        }
        std::copy_backward(history.begin(), history.begin() + order - 1, history.begin() + order);
        history[0] = input;
        line[n] = static_cast<float>(residual);
    }
    order_ = order;
    length_ = bandCount - lowBand;
    return true;
}

int CAacTns::bits() const {
    if (order_ == 0) {
        return 0;
    }
    const int coefficientBits = kResolutionBits - (compress_ ? 1 : 0);
    // Filter count, resolution, length, order, direction, compression.
    return kFilterCountBits + 1 + kLengthBits + kOrderBits + 1 + 1 + order_ * coefficientBits;
}

void CAacTns::write(CAacBitWriter& writer) const {
    if (order_ == 0) {
        return;
    }
    const int coefficientBits = kResolutionBits - (compress_ ? 1 : 0);
    writer.put(1, kFilterCountBits);
    writer.put(kResolutionBits - 3, 1);
    writer.put(static_cast<uint32_t>(length_), kLengthBits);
    writer.put(static_cast<uint32_t>(order_), kOrderBits);
    // Upwards, and whether the coefficients lost their top bit.
    writer.put(0, 1);
    writer.put(compress_ ? 1 : 0, 1);
    for (int i = 0; i < order_; ++i) {
        const auto index = static_cast<uint32_t>(indices_[static_cast<std::size_t>(i)]);
        writer.put(index & ((1u << coefficientBits) - 1), coefficientBits);
    }
}
