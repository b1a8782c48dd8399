#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "FfmpegDeleter.h"

// libavcodec H.264 decoder whose pictures are scaled and converted by
// libswscale into a caller's bottom-up BGR buffer.
class CAvcDecoder {
public:
    // Null when the H.264 decoder is missing or cannot be opened.
    static std::unique_ptr<CAvcDecoder> Create();

    bool SetBitCount(int bitsPerPixel);

    // One AvcUnpackResult value; see AvcUnpack.h.
    int Decode(const std::uint8_t* in, int inLength, std::uint8_t* out, int width, int height);

private:
    CAvcDecoder() = default;

    int Convert(std::uint8_t* out, int width, int height);

    FfmpegPtr<AVCodecContext> m_context;
    FfmpegPtr<AVFrame> m_frame;
    FfmpegPtr<AVPacket> m_packet;
    FfmpegPtr<SwsContext> m_scaler;
    // The unit copied with the zeroed tail the bit reader may run into.
    std::vector<std::uint8_t> m_input;
    int m_bitCount = 24;
};
