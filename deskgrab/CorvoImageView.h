#pragma once

#include <cstdint>

// A top-down picture of 32-bit B, G, R, unused pixels owned by someone else.
struct CorvoImageView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    bool IsEmpty() const { return data == nullptr || width <= 0 || height <= 0; }
};
