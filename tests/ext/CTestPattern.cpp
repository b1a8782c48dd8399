#include "CTestPattern.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

std::vector<std::uint8_t> CTestPattern::Make(int width, int height, int index, int bytesPerPixel) {
    std::vector<std::uint8_t> picture(static_cast<size_t>(width) * height * bytesPerPixel, 0);
    const double pi = std::acos(-1.0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double fx = width > 1 ? static_cast<double>(x) / (width - 1) : 0.0;
            const double fy = height > 1 ? static_cast<double>(y) / (height - 1) : 0.0;
            std::uint8_t* pixel =
                picture.data() + (static_cast<size_t>(y) * width + x) * bytesPerPixel;
            pixel[0] = static_cast<std::uint8_t>(
                128.0 + 90.0 * std::sin(2.0 * pi * (fx + fy) + index * 1.0));
            pixel[1] = static_cast<std::uint8_t>(30.0 + 190.0 * fy);
            pixel[2] = static_cast<std::uint8_t>(30.0 + 190.0 * fx);
        }
    }
    return picture;
}

std::vector<std::uint8_t> CTestPattern::FlipRows(const std::vector<std::uint8_t>& picture,
                                                 int width, int height, int bytesPerPixel) {
    const size_t rowBytes = static_cast<size_t>(width) * bytesPerPixel;
    std::vector<std::uint8_t> flipped(picture.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(flipped.data() + (height - 1 - y) * rowBytes, picture.data() + y * rowBytes,
                    rowBytes);
    }
    return flipped;
}

double CTestPattern::MeanAbsDiff(const std::uint8_t* a, const std::uint8_t* b, int width,
                                 int height, int bytesPerPixel) {
    const size_t pixels = static_cast<size_t>(width) * height;
    double sum = 0.0;
    for (size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            const size_t at = i * bytesPerPixel + c;
            sum += std::abs(static_cast<int>(a[at]) - static_cast<int>(b[at]));
        }
    }
    return sum / (static_cast<double>(pixels) * 3.0);
}
