#include "CAudioDecode.h"

#include "AacUnpacker.h"

CAudioDecode::CAudioDecode() = default;

CAudioDecode::~CAudioDecode() {
    Stop();
}

bool CAudioDecode::Setup(int sampleRate, int bitsPerSample, int channels) {
    Stop();
    m_format = CPlaybackGraph::Format{sampleRate, bitsPerSample, channels};
    m_decoderFlag = false;
    if (m_decoder == nullptr) {
        m_decoder = AacUnpackerInit();
    }
    if (m_pcm.empty()) {
        m_pcm.resize(kPcmBytes);
    }
    if (!m_playback.Build(m_format) || !m_playback.Run()) {
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

void CAudioDecode::OnRecv(const std::uint8_t* frame, int length, bool) {
    if (!m_running.load() || m_decoder == nullptr) {
        return;
    }
    int produced = kPcmBytes;
    if (AacUnpackerProc(m_decoder, reinterpret_cast<char*>(const_cast<std::uint8_t*>(frame)),
                        length, reinterpret_cast<char*>(m_pcm.data()), m_decoderFlag,
                        produced) == 0) {
        return;
    }
    ++m_framesDecoded;
    m_playback.Push(m_pcm.data(), produced);
}
