#include "CAvcDecoder.h"

#include <cstring>

#include "AvcUnpack.h"

#include "KivAvLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace {

// A single access unit far beyond any picture this decoder accepts.
constexpr int kMaxUnitBytes = 64 << 20;

bool SideInRange(int side) {
    return side >= 1 && side <= kAvcUnpackMaxSide;
}

}  // namespace

std::unique_ptr<CAvcDecoder> CAvcDecoder::Create() {
    KivAvLogQuiet();
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    if (codec == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CAvcDecoder> decoder(new CAvcDecoder);
    decoder->m_context.reset(avcodec_alloc_context3(codec));
    decoder->m_frame.reset(av_frame_alloc());
    decoder->m_packet.reset(av_packet_alloc());
    if (!decoder->m_context || !decoder->m_frame || !decoder->m_packet) {
        return nullptr;
    }
    AVCodecContext* context = decoder->m_context.get();
    // Frame threads would hold pictures back; every unit must give its
    // picture at once, so only slices run in parallel.
    context->thread_type = FF_THREAD_SLICE;
    context->thread_count = 0;
    context->flags |= AV_CODEC_FLAG_LOW_DELAY;
    context->max_pixels = static_cast<int64_t>(kAvcUnpackMaxSide) * kAvcUnpackMaxSide;
    if (avcodec_open2(context, codec, nullptr) < 0) {
        return nullptr;
    }
    return decoder;
}

bool CAvcDecoder::SetBitCount(int bitsPerPixel) {
    if (bitsPerPixel != 24 && bitsPerPixel != 32) {
        return false;
    }
    m_bitCount = bitsPerPixel;
    return true;
}

int CAvcDecoder::Decode(const std::uint8_t* in, int inLength, std::uint8_t* out, int width,
                        int height) {
    if (in == nullptr || out == nullptr || inLength <= 0 || inLength > kMaxUnitBytes ||
        !SideInRange(width) || !SideInRange(height)) {
        return AVCUNPACK_BAD_ARGUMENT;
    }
    const size_t padded = static_cast<size_t>(inLength) + AV_INPUT_BUFFER_PADDING_SIZE;
    if (m_input.size() < padded) {
        m_input.resize(padded);
    }
    std::memcpy(m_input.data(), in, static_cast<size_t>(inLength));
    std::memset(m_input.data() + inLength, 0, AV_INPUT_BUFFER_PADDING_SIZE);

    // The packet does not own the bytes, so the decoder takes its own copy.
    av_packet_unref(m_packet.get());
    m_packet->data = m_input.data();
    m_packet->size = inLength;
    int sent = avcodec_send_packet(m_context.get(), m_packet.get());
    int result = AVCUNPACK_NO_FRAME;
    while (true) {
        const int received = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (received < 0) {
            break;
        }
        result = Convert(out, width, height);
        av_frame_unref(m_frame.get());
        if (sent == AVERROR(EAGAIN)) {
            sent = avcodec_send_packet(m_context.get(), m_packet.get());
        }
    }
    av_packet_unref(m_packet.get());
    if (sent < 0 && result == AVCUNPACK_NO_FRAME) {
        return AVCUNPACK_BAD_STREAM;
    }
    return result;
}

int CAvcDecoder::Convert(std::uint8_t* out, int width, int height) {
    const AVFrame& frame = *m_frame;
    const auto source = static_cast<AVPixelFormat>(frame.format);
    if (!SideInRange(frame.width) || !SideInRange(frame.height) ||
        sws_isSupportedInput(source) <= 0) {
        return AVCUNPACK_BAD_PICTURE;
    }
    const AVPixelFormat target = m_bitCount == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24;
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame.width, frame.height, source,
                                        width, height, target, SWS_BILINEAR, nullptr, nullptr,
                                        nullptr));
    if (!m_scaler) {
        return AVCUNPACK_BAD_PICTURE;
    }
    // Bottom-up rows: start at the last row and step backwards.
    const int rowBytes = width * m_bitCount / 8;
    std::uint8_t* const planes[4] = {out + static_cast<size_t>(height - 1) * rowBytes, nullptr,
                                     nullptr, nullptr};
    const int strides[4] = {-rowBytes, 0, 0, 0};
    const int rows =
        sws_scale(m_scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    return rows == height ? AVCUNPACK_FRAME : AVCUNPACK_BAD_PICTURE;
}
