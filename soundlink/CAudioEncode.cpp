#include "CAudioEncode.h"

#include "PcmPacker.h"

CAudioEncode::~CAudioEncode() {
    Destroy();
}

bool CAudioEncode::Create(int channels, int sampleRate, int bitsPerSample, bool libavcodec) {
    std::lock_guard<std::mutex> guard(m_lock);
    PcmPackerUninit(m_encoder);
    m_encoder = PcmPackerInitEncoder(
        channels, sampleRate, bitsPerSample, this,
        libavcodec ? PCMPACKER_ENCODER_LIBAVCODEC : PCMPACKER_ENCODER_LOW_DELAY);
    return m_encoder != nullptr;
}

void CAudioEncode::Destroy() {
    std::lock_guard<std::mutex> guard(m_lock);
    PcmPackerUninit(m_encoder);
    m_encoder = nullptr;
}

bool CAudioEncode::Exists() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_encoder != nullptr;
}

void CAudioEncode::Process(const std::uint8_t* pcm, int length) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_encoder != nullptr) {
        PcmPackerProcess(m_encoder, const_cast<unsigned char*>(pcm), length);
    }
}

void CAudioEncode::OnPcmToAAC(unsigned char* frame, int length) {
    if (m_target != nullptr) {
        m_target->OnAAC(frame, length);
    }
}
