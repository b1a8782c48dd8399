#pragma once

#include <cstdint>

#include "CorvoPixelFormat.h"

// The mapped memory of one outgoing frame: top-down rows in plane 0, the
// palette (256 native-endian 0xAARRGGBB words) in plane 1 for Rgb8.
struct CorvoFrameTarget {
    CorvoPixelFormat format = CorvoPixelFormat::Rgb32;
    int width = 0;
    int height = 0;
    std::uint8_t* planes[2] = {nullptr, nullptr};
    int strides[2] = {0, 0};
};
