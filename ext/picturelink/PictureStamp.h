#pragma once

#include <cstdint>

// The test picture carries its capture time, so the far side can measure the
// delay to its screen: 32 blocks of 8 x 8 pixels near the bottom of the
// picture, one bit each (darker 0, lighter 1), most significant first.
namespace PictureStamp {

constexpr int kBits = 32;
constexpr int kBlock = 8;

// A millisecond clock shared by the processes of one machine.
std::uint32_t NowMs();

// Writes `value` into the luma plane of a picture at least 256 x 16 pixels.
void Write(std::uint8_t* luma, int stride, int width, int height, std::uint32_t value);

// Reads the value back from a B, G, R picture of the same size (rows from the top).
bool ReadBgr(const std::uint8_t* pixels, int stride, int width, int height, std::uint32_t* value);

}  // namespace PictureStamp
