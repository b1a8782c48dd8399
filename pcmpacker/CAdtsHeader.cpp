#include "CAdtsHeader.h"

#include <array>

namespace {

constexpr std::array<int, 13> kSampleRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                              22050, 16000, 12000, 11025, 8000,  7350};
constexpr int kProfileLowComplexity = 1;  // object type 2 minus one
constexpr int kBufferFullnessVbr = 0x7FF;

}  // namespace

int CAdtsHeader::samplingIndex(int sampleRate) {
    for (int i = 0; i < static_cast<int>(kSampleRates.size()); ++i) {
        if (kSampleRates[static_cast<std::size_t>(i)] == sampleRate) {
            return i;
        }
    }
    return -1;
}

int CAdtsHeader::channelConfig(int channels) {
    if (channels >= 1 && channels <= 6) {
        return channels;
    }
    return channels == 8 ? 7 : -1;
}

void CAdtsHeader::write(unsigned char* out, int samplingIndex, int channelConfig, int frameLength) {
    out[0] = 0xFF;
    // Sync word end, MPEG-4, layer 0, no CRC.
    out[1] = 0xF1;
    out[2] = static_cast<unsigned char>((kProfileLowComplexity << 6) | (samplingIndex << 2) |
                                        (channelConfig >> 2));
    out[3] = static_cast<unsigned char>(((channelConfig & 3) << 6) | (frameLength >> 11));
    out[4] = static_cast<unsigned char>((frameLength >> 3) & 0xFF);
    out[5] = static_cast<unsigned char>(((frameLength & 7) << 5) | (kBufferFullnessVbr >> 6));
    // Buffer fullness low bits, one raw data block.
    out[6] = static_cast<unsigned char>((kBufferFullnessVbr & 0x3F) << 2);
}
