#include "CAacEncoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CAdtsHeader.h"

#include "KivAvLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
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

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// 96 kbit/s for the call's stereo sound, scaled per channel.
constexpr int64_t kBitRatePerChannel = 48000;
// AAC allows 6144 bits per channel and frame.
constexpr int kMaxPayloadPerChannel = 768;
static_assert(kMaxPayloadPerChannel * 8 + CAdtsHeader::kSize <= CAdtsHeader::kMaxFrameLength,
              "eight channels must fit the ADTS frame-length field");
constexpr float kSampleScale = 1.0f / 32768.0f;

// The layouts that an ADTS channel configuration describes without a PCE.
uint64_t layoutMask(int channels) {
    switch (channels) {
        case 1:
            return AV_CH_LAYOUT_MONO;
        case 2:
            return AV_CH_LAYOUT_STEREO;
        case 3:
            return AV_CH_LAYOUT_SURROUND;
        case 4:
            return AV_CH_LAYOUT_4POINT0;
        case 5:
            return AV_CH_LAYOUT_5POINT0_BACK;
        case 6:
            return AV_CH_LAYOUT_5POINT1_BACK;
        case 8:
            return AV_CH_LAYOUT_7POINT1;
        default:
            return 0;
    }
}

}  // namespace

struct CAacEncoder::Context {
    CodecContextPtr codec;
    FramePtr frame;
    PacketPtr packet;
    // Room for the largest frame, as faac reported it: 768 bytes per channel
    // plus the ADTS header.
    std::vector<unsigned char> output;
    int channels = 0;
    int samplingIndex = 0;
    int channelConfig = 0;
};

std::unique_ptr<CAacEncoder> CAacEncoder::open(int channels, int sampleRate) {
    const int samplingIndex = CAdtsHeader::samplingIndex(sampleRate);
    const int channelConfig = CAdtsHeader::channelConfig(channels);
    const uint64_t mask = layoutMask(channels);
    if (samplingIndex < 0 || channelConfig < 0 || mask == 0) {
        return nullptr;
    }
    KivAvLogQuiet();
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        return nullptr;
    }

    auto context = std::make_unique<Context>();
    context->channels = channels;
    context->samplingIndex = samplingIndex;
    context->channelConfig = channelConfig;
    context->codec.reset(avcodec_alloc_context3(codec));
    if (!context->codec) {
        return nullptr;
    }
    AVCodecContext* c = context->codec.get();
    c->sample_rate = sampleRate;
    c->sample_fmt = AV_SAMPLE_FMT_FLTP;
    c->profile = FF_PROFILE_AAC_LOW;
    // At low sample rates a frame cannot hold that much: stay at AAC's limit.
    c->bit_rate =
        std::min<int64_t>(kBitRatePerChannel * channels,
                          int64_t{kMaxPayloadPerChannel} * 8 * channels * sampleRate / 1024);
    if (av_channel_layout_from_mask(&c->ch_layout, mask) < 0 ||
        av_opt_set(c->priv_data, "aac_coder", "fast", 0) < 0 ||
        av_opt_set_int(c->priv_data, "aac_tns", 0, 0) < 0 || avcodec_open2(c, codec, nullptr) < 0) {
        return nullptr;
    }

    context->frame.reset(av_frame_alloc());
    context->packet.reset(av_packet_alloc());
    if (!context->frame || !context->packet) {
        return nullptr;
    }
    AVFrame* frame = context->frame.get();
    frame->nb_samples = c->frame_size;
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 ||
        av_frame_get_buffer(frame, 0) < 0) {
        return nullptr;
    }
    context->output.resize(static_cast<std::size_t>(kMaxPayloadPerChannel * channels) +
                           CAdtsHeader::kSize);
    return std::unique_ptr<CAacEncoder>(new CAacEncoder(std::move(context)));
}

CAacEncoder::CAacEncoder(std::unique_ptr<Context> context) : context_(std::move(context)) {}

CAacEncoder::~CAacEncoder() = default;

unsigned CAacEncoder::inputSamples() const {
    return static_cast<unsigned>(context_->frame->nb_samples * context_->channels);
}

bool CAacEncoder::encode(const unsigned char* pcm, const FrameSink& sink) {
    Context& x = *context_;
    AVFrame* frame = x.frame.get();
    if (av_frame_make_writable(frame) < 0) {
        return false;
    }
    const int samples = frame->nb_samples;
    const std::size_t stride = static_cast<std::size_t>(x.channels) * 2;
    for (int channel = 0; channel < x.channels; ++channel) {
        auto* plane = reinterpret_cast<float*>(frame->extended_data[channel]);
        const unsigned char* in = pcm + channel * 2;
        for (int i = 0; i < samples; ++i, in += stride) {
            int16_t sample;
            std::memcpy(&sample, in, sizeof sample);
            plane[i] = sample * kSampleScale;
        }
    }
    if (avcodec_send_frame(x.codec.get(), frame) < 0) {
        return false;
    }

    AVPacket* packet = x.packet.get();
    while (avcodec_receive_packet(x.codec.get(), packet) == 0) {
        const int length = CAdtsHeader::kSize + packet->size;
        // The encoder keeps within the AAC limit; a larger packet would not fit the header.
        if (length <= static_cast<int>(x.output.size())) {
            CAdtsHeader::write(x.output.data(), x.samplingIndex, x.channelConfig, length);
            std::memcpy(x.output.data() + CAdtsHeader::kSize, packet->data,
                        static_cast<std::size_t>(packet->size));
            sink(x.output.data(), length);
        }
        av_packet_unref(packet);
    }
    return true;
}
