#pragma once

#include <cstdint>

// The side of KivVideoTarget a video session sees, free of Qt's picture
// types: whether its sinks draw into native windows themselves (X11), and
// the hand-over of one picture (rows of RGBx, four bytes a pixel) to the
// target with the id, from any thread. False when no target has the id.
bool KivVideoDrawsNatively();
bool KivVideoDeliver(std::uintptr_t id, const std::uint8_t* rgbx, int width, int height,
                     int stride);
