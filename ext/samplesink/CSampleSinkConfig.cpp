#include "CSampleSinkConfig.h"

std::int32_t CSampleSinkConfig::SetFormat(int sampleRate, int bitsPerSample, int channels) {
    const bool bitsValid =
        bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
    if (sampleRate <= 0 || sampleRate > 768000 || !bitsValid || channels <= 0 || channels > 8) {
        return kFail;
    }
    std::lock_guard<std::mutex> guard(m_formatLock);
    m_format = Format{sampleRate, bitsPerSample, channels};
    return kOk;
}

std::int32_t CSampleSinkConfig::SetSampleEvent(IRenderSampleEvent* event) {
    std::lock_guard<std::mutex> guard(m_eventLock);
    m_event = event;
    return kOk;
}

CSampleSinkConfig::Format CSampleSinkConfig::CurrentFormat() const {
    std::lock_guard<std::mutex> guard(m_formatLock);
    return m_format;
}

void CSampleSinkConfig::Deliver(const std::uint8_t* data, int length) {
    std::lock_guard<std::mutex> guard(m_eventLock);
    if (m_event != nullptr && length > 0) {
        m_event->OnRenderSample(data, length);
    }
}

CSampleSinkConfig::~CSampleSinkConfig() {
    std::lock_guard<std::mutex> events(m_eventLock);
    std::lock_guard<std::mutex> format(m_formatLock);
}
