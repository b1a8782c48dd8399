#pragma once

#include <cstdint>

// Draws a cursor picture (premultiplied 0xAARRGGBB words, as XFixes hands
// them out) over a 32-bit B, G, R, unused picture, clipped to its edges.
class CCorvoCursorOverlay {
public:
    static void Blend(std::uint8_t* picture, int width, int height, int stride,
                      const std::uint32_t* cursor, int cursorWidth, int cursorHeight, int x, int y);
};
