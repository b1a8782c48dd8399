#pragma once

#include <cstdint>
#include <vector>

// Smooth test pictures that survive lossy coding: red grows to the right,
// green downwards, blue waves diagonally with a phase set by the frame
// index. Pixels are B, G, R (and 0 for the fourth byte of 32-bit pixels),
// rows top-down without padding.
class CTestPattern {
public:
    static std::vector<std::uint8_t> Make(int width, int height, int index, int bytesPerPixel);

    static std::vector<std::uint8_t> FlipRows(const std::vector<std::uint8_t>& picture, int width,
                                              int height, int bytesPerPixel);

    // Mean absolute difference of the colour bytes; the fourth byte of
    // 32-bit pixels is not compared.
    static double MeanAbsDiff(const std::uint8_t* a, const std::uint8_t* b, int width, int height,
                              int bytesPerPixel);
};
