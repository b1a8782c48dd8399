#pragma once

#include <cstdint>
#include <vector>

#include "CorvoImageView.h"

// A top-down picture of 32-bit B, G, R, unused pixels with tight rows.
class CCorvoImage {
public:
    CCorvoImage() = default;
    CCorvoImage(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::uint8_t* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * Stride(); }
    int Stride() const { return m_width * 4; }
    CorvoImageView View() const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_pixels;
};
