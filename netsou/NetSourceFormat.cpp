#include "NetSourceFormat.h"

int NetSourceFormat::ImageBytes() const {
    return width * height * bitsPerPixel / 8;
}

int NetSourceFormat::SampleBytes() const {
    if (kind == Kind::Audio) {
        return chunkBytes;
    }
    // Eight rows beyond the picture, room for a compressed unit larger than it.
    return ImageBytes() + width * bitsPerPixel;
}

bool NetSourceFormat::operator==(const NetSourceFormat& other) const {
    if (kind != other.kind) {
        return false;
    }
    if (kind == Kind::Audio) {
        return sampleRate == other.sampleRate && bitsPerSample == other.bitsPerSample &&
               channels == other.channels && chunkBytes == other.chunkBytes;
    }
    return width == other.width && height == other.height && bitsPerPixel == other.bitsPerPixel &&
           frameDuration == other.frameDuration;
}
