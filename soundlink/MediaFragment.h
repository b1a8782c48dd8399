#pragma once

#include <cstdint>

#include "MediaDatagram.h"

// A media fragment on the wire: a 16-byte little-endian header and a slice
// of one AAC frame.
struct MediaFragment {
    static constexpr std::uint32_t kMagic = MediaDatagram::kPlainMagic;
    // A frame's second sending, one frame later (see MediaDatagram.h).
    static constexpr std::uint32_t kCopyMagic = MediaDatagram::kCopyMagic;
    static constexpr int kHeaderBytes = 16;
    static constexpr int kMaxDatagram = 4096;
    static constexpr int kMaxPayload = kMaxDatagram - kHeaderBytes;  // 4080
    static constexpr int kMaxFragments = 100;
    static constexpr int kMaxFrame = kMaxFragments * kMaxPayload;

    std::uint32_t magic = kMagic;
    std::uint16_t index = 0;
    std::uint16_t count = 0;
    std::uint32_t sequence = 0;
    std::uint16_t flag = 0;
    std::uint16_t payloadLength = 0;

    void WriteTo(std::uint8_t* out) const;
    // Reads the header fields of a datagram of at least kHeaderBytes.
    static MediaFragment ReadFrom(const std::uint8_t* in);
};
