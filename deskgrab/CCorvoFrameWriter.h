#pragma once

#include "CorvoFrameTarget.h"
#include "CorvoImageView.h"

// Writes 32-bit pictures into outgoing frames of any offered layout.
class CCorvoFrameWriter {
public:
    // Copies a picture of the frame's size.
    static void Convert(const CorvoImageView& source, const CorvoFrameTarget& target);
    // Scales a picture of any size to the frame's size (nearest pixel).
    static void ConvertScaled(const CorvoImageView& source, const CorvoFrameTarget& target);
    // Copies a picture of the frame's size except a centred area of the given
    // size, whose bytes stay as they are.
    static void ConvertAround(const CorvoImageView& source, const CorvoFrameTarget& target,
                              int areaWidth, int areaHeight);
    static void FillBlack(const CorvoFrameTarget& target);
};
