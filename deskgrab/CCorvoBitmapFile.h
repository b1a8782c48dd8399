#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "CCorvoImage.h"

// Reads uncompressed Windows bitmap files (1, 4 or 8 bits with a palette, 24 and
// 32 bits; bottom-up or top-down). Anything else is refused with a reason.
class CCorvoBitmapFile {
public:
    // Pictures larger than this on either side are refused.
    static constexpr int kMaxSide = 8192;

    static bool Load(const std::string& path, CCorvoImage* image, std::string* error);
    static bool Decode(const std::uint8_t* data, std::size_t size, CCorvoImage* image,
                       std::string* error);
};
