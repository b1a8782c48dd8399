#pragma once

#include <cstdint>

// What the pin offers downstream for its current mode.
struct NetSourceFormat {
    enum class Kind { RawVideo, CompressedVideo, Audio };

    Kind kind = Kind::Audio;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::int64_t frameDuration = 0;  // 100 ns units
    int sampleRate = 0;
    int bitsPerSample = 0;
    int channels = 0;
    int chunkBytes = 0;

    // One packed picture, rows without padding.
    int ImageBytes() const;
    // The sample the pin fills: a chunk, or a picture and one spare row.
    int SampleBytes() const;

    bool operator==(const NetSourceFormat& other) const;
    bool operator!=(const NetSourceFormat& other) const { return !(*this == other); }
};
