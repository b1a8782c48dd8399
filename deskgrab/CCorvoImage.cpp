#include "CCorvoImage.h"

CCorvoImage::CCorvoImage(int width, int height)
    : m_width(width),
      m_height(height),
      m_pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0) {}

CorvoImageView CCorvoImage::View() const {
    return {m_pixels.data(), m_width, m_height, Stride()};
}
