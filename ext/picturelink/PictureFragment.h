#pragma once

#include <cstdint>
#include <functional>

// A picture travels as UDP datagrams of at most 4096 bytes: a 16-byte head
// (little-endian) and a slice of one encoded frame.
//   0 u32 magic, 4 u16 fragment index, 6 u16 fragment count,
//   8 u32 frame sequence, 12 u16 flag (1), 14 u16 payload length
namespace PictureFragment {

constexpr std::uint32_t kMagic = 0x51522001;
constexpr int kHeadBytes = 16;
constexpr int kDatagramBytes = 4096;
constexpr int kPayloadBytes = kDatagramBytes - kHeadBytes;
constexpr int kMaxFragments = 100;
constexpr int kMaxFrameBytes = kMaxFragments * kPayloadBytes;

struct Head {
    std::uint16_t index = 0;
    std::uint16_t count = 0;
    std::uint32_t sequence = 0;
    std::uint16_t flag = 0;
    std::uint16_t payload = 0;
};

// Cuts one frame into datagrams, handing each to `send` (data, length).
// Frames that are empty or larger than kMaxFrameBytes are not sent.
void Cut(const std::uint8_t* frame, int length, std::uint32_t sequence,
         const std::function<void(const std::uint8_t*, int)>& send);

// Reads and checks the head of a datagram: magic, index below count, count
// within kMaxFragments, payload matching the datagram's length.
bool Parse(const std::uint8_t* datagram, int length, Head* head);

}  // namespace PictureFragment
