#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

// libavcodec's AAC decoder producing 16-bit interleaved PCM, at the stream's
// rate and channels or, once an output format is set, resampled to it
// (libswresample).
class CAacDecoder {
public:
    static std::unique_ptr<CAacDecoder> Create();
    ~CAacDecoder();

    // Rate 8000 to 96000, 1 to 8 channels; false (nothing changed) otherwise.
    bool SetOutputFormat(int sampleRate, int channels);

    // PCM bytes written to out (0 when the decoder had none yet), or -1 when
    // the frame is refused or its PCM would pass capacity.
    int Decode(const std::uint8_t* in, int inLength, std::uint8_t* out, int capacity);

private:
    CAacDecoder() = default;
    // Appends one decoded frame at out + used; false when it does not fit or
    // has a sample layout this decoder does not convert.
    bool Append(const AVFrame& frame, std::uint8_t* out, int capacity, int* used) const;
    // The same through the resampler, made for the frame's format when it
    // differs from the one it was made for.
    bool Resample(const AVFrame& frame, std::uint8_t* out, int capacity, int* used);

    struct Deleter {
        void operator()(AVCodecContext* context) const;
        void operator()(AVFrame* frame) const;
        void operator()(AVPacket* packet) const;
        void operator()(SwrContext* resampler) const;
    };
    std::unique_ptr<AVCodecContext, Deleter> m_context;
    std::unique_ptr<AVFrame, Deleter> m_frame;
    std::unique_ptr<AVPacket, Deleter> m_packet;
    std::unique_ptr<SwrContext, Deleter> m_resampler;
    // Input with the zeroed tail the bit reader may look into.
    std::vector<std::uint8_t> m_input;
    // The output format; 0 while PCM comes out as the stream carries it.
    int m_outRate = 0;
    int m_outChannels = 0;
    // The input the resampler was made for.
    int m_inRate = 0;
    int m_inChannels = 0;
    int m_inFormat = -1;
};
