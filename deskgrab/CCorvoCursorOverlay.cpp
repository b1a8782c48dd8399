#include "CCorvoCursorOverlay.h"

#include <algorithm>

void CCorvoCursorOverlay::Blend(std::uint8_t* picture, int width, int height, int stride,
                                const std::uint32_t* cursor, int cursorWidth, int cursorHeight,
                                int x, int y) {
    const int fromX = std::max(0, -x);
    const int fromY = std::max(0, -y);
    const int toX = std::min(cursorWidth, width - x);
    const int toY = std::min(cursorHeight, height - y);
    for (int cy = fromY; cy < toY; ++cy) {
        const std::uint32_t* source = cursor + static_cast<std::ptrdiff_t>(cy) * cursorWidth;
        std::uint8_t* target = picture + static_cast<std::ptrdiff_t>(y + cy) * stride;
        for (int cx = fromX; cx < toX; ++cx) {
            const std::uint32_t argb = source[cx];
            const std::uint32_t alpha = argb >> 24;
            if (alpha == 0) {
                continue;
            }
            std::uint8_t* pixel = target + 4 * (x + cx);
            const std::uint32_t keep = 255 - alpha;
            for (int channel = 0; channel < 3; ++channel) {
                const std::uint32_t over = argb >> (8 * channel) & 0xff;
                const std::uint32_t blended = over + (pixel[channel] * keep + 127) / 255;
                pixel[channel] = static_cast<std::uint8_t>(std::min<std::uint32_t>(blended, 255));
            }
        }
    }
}
