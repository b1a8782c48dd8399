#pragma once

#include <QPainterPath>

// Builds a QPainterPath from a compact SVG-like text with absolute commands
// only: M x y, L x y, H x, V y, C x1 y1 x2 y2 x y, Q x1 y1 x y and Z.
// Shapes are written as text because they read far better than call chains.
class ArtPath {
public:
    static QPainterPath parse(const char* text);
};
