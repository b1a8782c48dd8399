#include "CAudioDecode.h"

#include "AacUnpacker.h"

CAudioDecode::CAudioDecode() = default;

CAudioDecode::~CAudioDecode() {
    Stop();
}

bool CAudioDecode::Build(int sampleRate, int bitsPerSample, int channels,
                         const CPlaybackGraph::Options& options) {
    Stop();
    m_format = CPlaybackGraph::Format{sampleRate, bitsPerSample, channels};
    m_decoderFlag = false;
    if (m_decoder == nullptr) {
        m_decoder = AacUnpackerInit();
    }
    // The playback is built for the call's format; the peer's stream may
    // carry another rate or channel count.
    AacUnpackerSetFormat(m_decoder, sampleRate, channels);
    return m_playback.Build(
        m_format, options,
        [this](const std::uint8_t* frame, int length, std::int16_t* pcm, int capacity) {
            return Decode(frame, length, reinterpret_cast<std::uint8_t*>(pcm), capacity * 2) / 2;
        });
}

bool CAudioDecode::Play() {
    if (!m_playback.Run()) {
        m_playback.Stop();
        return false;
    }
    m_running.store(true);
    return true;
}

void CAudioDecode::Stop() {
    m_running.store(false);
    m_playback.Stop();
    AacUnpackerUnInit(m_decoder);
    m_decoder = nullptr;
}

void CAudioDecode::OnRecv(std::uint32_t sequence, const std::uint8_t* frame, int length, bool,
                          std::int64_t arrivalUs, bool copy) {
    if (m_running.load()) {
        m_playback.Put(sequence, frame, length, arrivalUs, copy);
    }
}

int CAudioDecode::Decode(const std::uint8_t* frame, int length, std::uint8_t* pcm, int capacity) {
    if (m_decoder == nullptr) {
        return 0;
    }
    int produced = capacity;
    if (AacUnpackerProc(m_decoder, reinterpret_cast<char*>(const_cast<std::uint8_t*>(frame)),
                        length, reinterpret_cast<char*>(pcm), m_decoderFlag, produced) == 0) {
        return 0;
    }
    ++m_framesDecoded;
    return produced;
}
