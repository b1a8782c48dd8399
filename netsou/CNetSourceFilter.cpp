#include "CNetSourceFilter.h"

std::int32_t CNetSourceFilter::SetVideoMode(int mode, int width, int height) {
    return m_pin.SetVideoMode(mode, width, height);
}

std::int32_t CNetSourceFilter::PushData(const std::uint8_t* data, int length, int reserved1,
                                        int reserved2) {
    return m_pin.PushData(data, length, reserved1, reserved2);
}

std::int32_t CNetSourceFilter::SetActive(std::uint8_t active) {
    return m_pin.SetActive(active);
}

std::int32_t CNetSourceFilter::SetAudioMode(int mode, int sampleRate, int bitsPerSample,
                                            int channels, int bufferSize) {
    return m_pin.SetAudioMode(mode, sampleRate, bitsPerSample, channels, bufferSize);
}

void CNetSourceFilter::Run() {
    m_pin.DropPushes(false);
    m_pin.EndStop();
    m_pin.ResetQueue();
    m_pin.SetActive(1);
}

void CNetSourceFilter::Pause() {
    m_pin.Wake();
    m_pin.SetActive(0);
}

void CNetSourceFilter::Stop() {
    m_pin.DropPushes(true);
    m_pin.BeginStop();
    m_pin.SetActive(0);
}

void CNetSourceFilter::Unlock() {
    m_pin.BeginStop();
}

void CNetSourceFilter::UnlockStop() {
    m_pin.EndStop();
}
