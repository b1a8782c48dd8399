#include "CAudioEncode.h"

#include "PcmPacker.h"

CAudioEncode::~CAudioEncode() {
    Destroy();
}

bool CAudioEncode::Create(int channels, int sampleRate, int bitsPerSample) {
    Destroy();
    m_encoder = PcmPackerInit(channels, sampleRate, bitsPerSample, this);
    return m_encoder != nullptr;
}

void CAudioEncode::Destroy() {
    PcmPackerUninit(m_encoder);
    m_encoder = nullptr;
}

void CAudioEncode::Process(const std::uint8_t* pcm, int length) {
    if (m_encoder != nullptr) {
        PcmPackerProcess(m_encoder, const_cast<unsigned char*>(pcm), length);
    }
}

void CAudioEncode::OnPcmToAAC(unsigned char* frame, int length) {
    if (m_target != nullptr) {
        m_target->OnAAC(frame, length);
    }
}
