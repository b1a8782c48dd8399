#pragma once

// The RGB layouts the source offers, named after the bitmap formats they
// match.
enum class CorvoPixelFormat {
    Rgb32,   // B, G, R, unused
    Rgb24,   // B, G, R
    Rgb565,  // 16-bit little-endian words
    Rgb555,  // 16-bit little-endian words, top bit unused
    Rgb8,    // palette indices, the 256-entry palette in a second plane
};

inline constexpr int CorvoBitCount(CorvoPixelFormat format) {
    switch (format) {
        case CorvoPixelFormat::Rgb32:
            return 32;
        case CorvoPixelFormat::Rgb24:
            return 24;
        case CorvoPixelFormat::Rgb565:
        case CorvoPixelFormat::Rgb555:
            return 16;
        case CorvoPixelFormat::Rgb8:
            return 8;
    }
    return 32;
}
