#pragma once

#include <cstdint>

// One row of the frame-rate table: what a requested rate becomes.
struct CorvoFrameRateEntry {
    int fps;                 // the value GetFrameRate answers
    std::int64_t frameTime;  // 100-ns units
    int intervalMs;          // pacing interval
    int rateNum;             // nominal rate as a fraction, for the caps
    int rateDen;
};

class CCorvoFrameRate {
public:
    // The row for a requested rate; unknown rates give the 25 fps row.
    static CorvoFrameRateEntry ForFps(int fps);
    // The rate a stored frame time stands for: the table's fps, 25 for the
    // default frame time, 5 for a frame time the table does not know.
    static int FpsForFrameTime(std::int64_t frameTime);
    static CorvoFrameRateEntry Default();
};
