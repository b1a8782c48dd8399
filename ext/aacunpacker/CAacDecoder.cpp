#include "CAacDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "KivAvLog.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace {

// Far beyond any ADTS frame (13-bit length field).
constexpr int kMaxFrameBytes = 1 << 16;

std::int16_t ToSample(float value) {
    const float scaled = std::nearbyint(value * 32767.0f);
    // NaN and out-of-range values from a broken stream clip instead of wrapping.
    if (!(scaled > -32768.0f)) {
        return -32768;
    }
    return static_cast<std::int16_t>(std::min(scaled, 32767.0f));
}

}  // namespace

void CAacDecoder::Deleter::operator()(AVCodecContext* context) const {
    avcodec_free_context(&context);
}

void CAacDecoder::Deleter::operator()(AVFrame* frame) const {
    av_frame_free(&frame);
}

void CAacDecoder::Deleter::operator()(AVPacket* packet) const {
    av_packet_free(&packet);
}

void CAacDecoder::Deleter::operator()(SwrContext* resampler) const {
    swr_free(&resampler);
}

std::unique_ptr<CAacDecoder> CAacDecoder::Create() {
    KivAvLogQuiet();
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_AAC);
    if (codec == nullptr) {
        return nullptr;
    }
    std::unique_ptr<CAacDecoder> decoder(new CAacDecoder);
    decoder->m_context.reset(avcodec_alloc_context3(codec));
    decoder->m_frame.reset(av_frame_alloc());
    decoder->m_packet.reset(av_packet_alloc());
    if (!decoder->m_context || !decoder->m_frame || !decoder->m_packet) {
        return nullptr;
    }
    decoder->m_context->thread_count = 1;
    if (avcodec_open2(decoder->m_context.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return decoder;
}

CAacDecoder::~CAacDecoder() = default;

bool CAacDecoder::SetOutputFormat(int sampleRate, int channels) {
    if (sampleRate < 8000 || sampleRate > 96000 || channels < 1 || channels > 8) {
        return false;
    }
    if (sampleRate != m_outRate || channels != m_outChannels) {
        m_outRate = sampleRate;
        m_outChannels = channels;
        m_resampler.reset();
    }
    return true;
}

int CAacDecoder::Decode(const std::uint8_t* in, int inLength, std::uint8_t* out, int capacity) {
    if (in == nullptr || out == nullptr || inLength <= 0 || inLength > kMaxFrameBytes ||
        capacity < 0) {
        return -1;
    }
    const size_t padded = static_cast<size_t>(inLength) + AV_INPUT_BUFFER_PADDING_SIZE;
    if (m_input.size() < padded) {
        m_input.resize(padded);
    }
    std::memcpy(m_input.data(), in, static_cast<size_t>(inLength));
    std::memset(m_input.data() + inLength, 0, AV_INPUT_BUFFER_PADDING_SIZE);

    av_packet_unref(m_packet.get());
    m_packet->data = m_input.data();
    m_packet->size = inLength;
    if (avcodec_send_packet(m_context.get(), m_packet.get()) < 0) {
        return -1;
    }
    int used = 0;
    bool fits = true;
    // Every frame the packet gave is taken out, also after one did not fit,
    // so nothing of this packet is left to mix into the next.
    while (avcodec_receive_frame(m_context.get(), m_frame.get()) >= 0) {
        const AVFrame& frame = *m_frame;
        const bool asCarried = m_outRate == 0 || (frame.sample_rate == m_outRate &&
                                                  frame.ch_layout.nb_channels == m_outChannels);
        fits = fits && (asCarried ? Append(frame, out, capacity, &used)
                                  : Resample(frame, out, capacity, &used));
        av_frame_unref(m_frame.get());
    }
    return fits ? used : -1;
}

bool CAacDecoder::Resample(const AVFrame& frame, std::uint8_t* out, int capacity, int* used) {
    const int channels = frame.ch_layout.nb_channels;
    if (channels <= 0 || frame.nb_samples < 0 || frame.sample_rate <= 0) {
        return false;
    }
    if (!m_resampler || frame.sample_rate != m_inRate || channels != m_inChannels ||
        frame.format != m_inFormat) {
        m_resampler.reset();
        AVChannelLayout inLayout;
        AVChannelLayout outLayout;
        av_channel_layout_default(&inLayout, channels);
        av_channel_layout_default(&outLayout, m_outChannels);
        SwrContext* made = nullptr;
        const int set = swr_alloc_set_opts2(&made, &outLayout, AV_SAMPLE_FMT_S16, m_outRate,
                                            &inLayout, static_cast<AVSampleFormat>(frame.format),
                                            frame.sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        m_resampler.reset(made);
        if (set < 0 || !m_resampler || swr_init(m_resampler.get()) < 0) {
            m_resampler.reset();
            return false;
        }
        m_inRate = frame.sample_rate;
        m_inChannels = channels;
        m_inFormat = frame.format;
    }
    const int frameBytes = 2 * m_outChannels;
    const int room = (capacity - *used) / frameBytes;
    if (swr_get_out_samples(m_resampler.get(), frame.nb_samples) > room) {
        return false;
    }
    std::uint8_t* target = out + *used;
    const int made =
        swr_convert(m_resampler.get(), &target, room,
                    const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
    if (made < 0) {
        return false;
    }
    *used += made * frameBytes;
    return true;
}

bool CAacDecoder::Append(const AVFrame& frame, std::uint8_t* out, int capacity, int* used) const {
    const int channels = frame.ch_layout.nb_channels;
    const int samples = frame.nb_samples;
    if (channels <= 0 || samples < 0) {
        return false;
    }
    const long long bytes = 2LL * channels * samples;
    if (bytes > capacity - *used) {
        return false;
    }
    auto* target = reinterpret_cast<std::int16_t*>(out + *used);
    const auto format = static_cast<AVSampleFormat>(frame.format);
    for (int sample = 0; sample < samples; ++sample) {
        for (int channel = 0; channel < channels; ++channel) {
            std::int16_t value;
            if (format == AV_SAMPLE_FMT_FLTP) {
                value =
                    ToSample(reinterpret_cast<const float*>(frame.extended_data[channel])[sample]);
            } else if (format == AV_SAMPLE_FMT_FLT) {
                value = ToSample(reinterpret_cast<const float*>(
                    frame.extended_data[0])[sample * channels + channel]);
            } else if (format == AV_SAMPLE_FMT_S16P) {
                value = reinterpret_cast<const std::int16_t*>(frame.extended_data[channel])[sample];
            } else if (format == AV_SAMPLE_FMT_S16) {
                value = reinterpret_cast<const std::int16_t*>(
                    frame.extended_data[0])[sample * channels + channel];
            } else {
                return false;
            }
            std::memcpy(target + sample * channels + channel, &value, sizeof(value));
        }
    }
    *used += static_cast<int>(bytes);
    return true;
}
