#include "CCorvoFrameWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The palette of the 8-bit layout: a 6 x 6 x 6 colour cube, then black.
constexpr int kCubeSteps = 6;

int CubeIndex(const std::uint8_t* bgr) {
    const auto level = [](std::uint8_t value) { return (value * (kCubeSteps - 1) + 127) / 255; };
    return level(bgr[2]) * kCubeSteps * kCubeSteps + level(bgr[1]) * kCubeSteps + level(bgr[0]);
}

void WritePalette(const CorvoFrameTarget& target) {
    if (target.format != CorvoPixelFormat::Rgb8 || target.planes[1] == nullptr) {
        return;
    }
    std::uint32_t palette[256];
    for (std::uint32_t i = 0; i < 256; ++i) {
        palette[i] = 0xff000000u;
        if (i < kCubeSteps * kCubeSteps * kCubeSteps) {
            const std::uint32_t step = 255 / (kCubeSteps - 1);
            const std::uint32_t r = i / (kCubeSteps * kCubeSteps) * step;
            const std::uint32_t g = i / kCubeSteps % kCubeSteps * step;
            const std::uint32_t b = i % kCubeSteps * step;
            palette[i] |= r << 16 | g << 8 | b;
        }
    }
    std::memcpy(target.planes[1], palette, sizeof palette);
}

std::uint16_t Pack565(const std::uint8_t* bgr) {
    return static_cast<std::uint16_t>((bgr[2] >> 3) << 11 | (bgr[1] >> 2) << 5 | bgr[0] >> 3);
}

std::uint16_t Pack555(const std::uint8_t* bgr) {
    return static_cast<std::uint16_t>((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | bgr[0] >> 3);
}

// Writes target columns [from, to) of one row; column x takes source pixel
// columns[x], or x itself when there is no column map.
void WriteRow(const std::uint8_t* source, const int* columns, std::uint8_t* row,
              CorvoPixelFormat format, int from, int to) {
    const auto pixel = [&](int x) { return source + 4 * (columns != nullptr ? columns[x] : x); };
    switch (format) {
        case CorvoPixelFormat::Rgb32:
            if (columns == nullptr) {
                std::memcpy(row + 4 * from, source + 4 * from, 4 * static_cast<size_t>(to - from));
                return;
            }
            for (int x = from; x < to; ++x) {
                std::memcpy(row + 4 * x, pixel(x), 4);
            }
            return;
        case CorvoPixelFormat::Rgb24:
            for (int x = from; x < to; ++x) {
                std::memcpy(row + 3 * x, pixel(x), 3);
            }
            return;
        case CorvoPixelFormat::Rgb565:
            for (int x = from; x < to; ++x) {
                const std::uint16_t value = Pack565(pixel(x));
                std::memcpy(row + 2 * x, &value, 2);
            }
            return;
        case CorvoPixelFormat::Rgb555:
            for (int x = from; x < to; ++x) {
                const std::uint16_t value = Pack555(pixel(x));
                std::memcpy(row + 2 * x, &value, 2);
            }
            return;
        case CorvoPixelFormat::Rgb8:
            for (int x = from; x < to; ++x) {
                row[x] = static_cast<std::uint8_t>(CubeIndex(pixel(x)));
            }
            return;
    }
}

const std::uint8_t* SourceRow(const CorvoImageView& source, int y) {
    return source.data + static_cast<std::ptrdiff_t>(y) * source.stride;
}

std::uint8_t* TargetRow(const CorvoFrameTarget& target, int y) {
    return target.planes[0] + static_cast<std::ptrdiff_t>(y) * target.strides[0];
}

}  // namespace

void CCorvoFrameWriter::Convert(const CorvoImageView& source, const CorvoFrameTarget& target) {
    ConvertAround(source, target, 0, 0);
}

void CCorvoFrameWriter::ConvertScaled(const CorvoImageView& source,
                                      const CorvoFrameTarget& target) {
    std::vector<int> columns(static_cast<size_t>(target.width));
    for (int x = 0; x < target.width; ++x) {
        columns[static_cast<size_t>(x)] =
            static_cast<int>(static_cast<std::int64_t>(x) * source.width / target.width);
    }
    for (int y = 0; y < target.height; ++y) {
        const int sourceY =
            static_cast<int>(static_cast<std::int64_t>(y) * source.height / target.height);
        WriteRow(SourceRow(source, sourceY), columns.data(), TargetRow(target, y), target.format, 0,
                 target.width);
    }
    WritePalette(target);
}

void CCorvoFrameWriter::ConvertAround(const CorvoImageView& source, const CorvoFrameTarget& target,
                                      int areaWidth, int areaHeight) {
    const int width = std::min(source.width, target.width);
    const int height = std::min(source.height, target.height);
    const int areaLeft = (width - areaWidth) / 2;
    const int areaTop = (height - areaHeight) / 2;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = SourceRow(source, y);
        std::uint8_t* to = TargetRow(target, y);
        if (y >= areaTop && y < areaTop + areaHeight) {
            WriteRow(from, nullptr, to, target.format, 0, areaLeft);
            WriteRow(from, nullptr, to, target.format, areaLeft + areaWidth, width);
        } else {
            WriteRow(from, nullptr, to, target.format, 0, width);
        }
    }
    WritePalette(target);
}

void CCorvoFrameWriter::FillBlack(const CorvoFrameTarget& target) {
    const int bytesPerPixel = std::max(1, CorvoBitCount(target.format) / 8);
    for (int y = 0; y < target.height; ++y) {
        std::memset(TargetRow(target, y), 0, static_cast<size_t>(target.width) * bytesPerPixel);
    }
    WritePalette(target);
}
