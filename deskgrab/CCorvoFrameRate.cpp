#include "CCorvoFrameRate.h"

#include <array>

namespace {

constexpr CorvoFrameRateEntry kDefault{25, 400000, 40, 25, 1};

// Rate 0 means one frame every two seconds.
constexpr std::array<CorvoFrameRateEntry, 10> kTable{{
    {0, 20000000, 2000, 1, 2},
    {1, 10000000, 1000, 1, 1},
    {2, 5000000, 500, 2, 1},
    {5, 2000000, 200, 5, 1},
    {10, 1000000, 100, 10, 1},
    {15, 666666, 66, 15, 1},
    {18, 555555, 55, 18, 1},
    {20, 500000, 50, 20, 1},
    {30, 333333, 33, 30, 1},
    {40, 250000, 25, 40, 1},
}};

}  // namespace

CorvoFrameRateEntry CCorvoFrameRate::ForFps(int fps) {
    for (const CorvoFrameRateEntry& entry : kTable) {
        if (entry.fps == fps) {
            return entry;
        }
    }
    return kDefault;
}

int CCorvoFrameRate::FpsForFrameTime(std::int64_t frameTime) {
    for (const CorvoFrameRateEntry& entry : kTable) {
        if (entry.frameTime == frameTime) {
            return entry.fps;
        }
    }
    return frameTime == kDefault.frameTime ? kDefault.fps : 5;
}

CorvoFrameRateEntry CCorvoFrameRate::Default() {
    return kDefault;
}
