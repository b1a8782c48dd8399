#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

// libavcodec's AAC decoder producing 16-bit interleaved PCM.
class CAacDecoder {
public:
    static std::unique_ptr<CAacDecoder> Create();
    ~CAacDecoder();

    // PCM bytes written to out (0 when the decoder had none yet), or -1 when
    // the frame is refused or its PCM would pass capacity.
    int Decode(const std::uint8_t* in, int inLength, std::uint8_t* out, int capacity);

private:
    CAacDecoder() = default;
    // Appends one decoded frame at out + used; false when it does not fit or
    // has a sample layout this decoder does not convert.
    bool Append(const AVFrame& frame, std::uint8_t* out, int capacity, int* used) const;

    struct Deleter {
        void operator()(AVCodecContext* context) const;
        void operator()(AVFrame* frame) const;
        void operator()(AVPacket* packet) const;
    };
    std::unique_ptr<AVCodecContext, Deleter> m_context;
    std::unique_ptr<AVFrame, Deleter> m_frame;
    std::unique_ptr<AVPacket, Deleter> m_packet;
    // Input with the zeroed tail the bit reader may look into.
    std::vector<std::uint8_t> m_input;
};
