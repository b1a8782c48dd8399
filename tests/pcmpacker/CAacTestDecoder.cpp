#include "CAacTestDecoder.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

namespace {

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

}  // namespace

struct CAacTestDecoder::Context {
    std::unique_ptr<AVCodecContext, CodecContextDeleter> codec;
    std::unique_ptr<AVFrame, FrameDeleter> frame{av_frame_alloc()};
    std::unique_ptr<AVPacket, PacketDeleter> packet{av_packet_alloc()};
};

CAacTestDecoder::CAacTestDecoder() {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        return;
    }
    auto context = std::make_unique<Context>();
    context->codec.reset(avcodec_alloc_context3(codec));
    // Without extradata the decoder reads the format from each ADTS header.
    if (context->codec && context->frame && context->packet &&
        avcodec_open2(context->codec.get(), codec, nullptr) == 0) {
        context_ = std::move(context);
    }
}

CAacTestDecoder::~CAacTestDecoder() = default;

bool CAacTestDecoder::decode(const unsigned char* frame, int length) {
    if (!context_ || av_new_packet(context_->packet.get(), length) < 0) {
        return false;
    }
    std::memcpy(context_->packet->data, frame, static_cast<std::size_t>(length));
    const int sent = avcodec_send_packet(context_->codec.get(), context_->packet.get());
    av_packet_unref(context_->packet.get());
    return sent == 0 && collect();
}

bool CAacTestDecoder::collect() {
    AVFrame* frame = context_->frame.get();
    for (;;) {
        const int received = avcodec_receive_frame(context_->codec.get(), frame);
        if (received == AVERROR(EAGAIN)) {
            return true;
        }
        if (received < 0 || frame->format != AV_SAMPLE_FMT_FLTP) {
            return false;
        }
        channels_ = frame->ch_layout.nb_channels;
        sampleRate_ = frame->sample_rate;
        for (int i = 0; i < frame->nb_samples; ++i) {
            for (int c = 0; c < channels_; ++c) {
                samples_.push_back(reinterpret_cast<const float*>(frame->extended_data[c])[i]);
            }
        }
        av_frame_unref(frame);
    }
}
