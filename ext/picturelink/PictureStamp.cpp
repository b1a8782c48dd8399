#include "PictureStamp.h"

#include <chrono>
#include <cstring>

namespace PictureStamp {

namespace {

// Two dim levels, so the stamp stays discreet in the picture yet survives
// the encoder; read back as RGB, they lie either side of kThreshold.
constexpr std::uint8_t kDark = 24;
constexpr std::uint8_t kBright = 88;
constexpr int kThreshold = 45;

int Top(int height) {
    return height - 2 * kBlock;
}

}  // namespace

std::uint32_t NowMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void Write(std::uint8_t* luma, int stride, int width, int height, std::uint32_t value) {
    if (width < kBits * kBlock || height < 2 * kBlock) {
        return;
    }
    for (int row = Top(height); row < Top(height) + kBlock; ++row) {
        std::uint8_t* line = luma + row * stride;
        for (int bit = 0; bit < kBits; ++bit) {
            const bool one = (value >> (kBits - 1 - bit)) & 1u;
            std::memset(line + bit * kBlock, one ? kBright : kDark, kBlock);
        }
    }
}

bool ReadBgr(const std::uint8_t* pixels, int stride, int width, int height, std::uint32_t* value) {
    if (width < kBits * kBlock || height < 2 * kBlock) {
        return false;
    }
    const int row = Top(height) + kBlock / 2;
    const std::uint8_t* line = pixels + row * stride;
    std::uint32_t result = 0;
    for (int bit = 0; bit < kBits; ++bit) {
        const std::uint8_t* pixel = line + (bit * kBlock + kBlock / 2) * 3;
        const int level = (pixel[0] + pixel[1] + pixel[2]) / 3;
        result = (result << 1) | (level > kThreshold ? 1u : 0u);
    }
    *value = result;
    return true;
}

}  // namespace PictureStamp
