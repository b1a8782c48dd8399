#pragma once

#include <cstdint>

#include "CNetSourcePin.h"
#include "INetSourceControl.h"

// The source filter behind the element: its control interface and the
// reaction of its pin to the pipeline's state changes.
class CNetSourceFilter final : public INetSourceControl {
public:
    CNetSourceFilter() = default;
    ~CNetSourceFilter() = default;
    CNetSourceFilter(const CNetSourceFilter&) = delete;
    CNetSourceFilter& operator=(const CNetSourceFilter&) = delete;

    std::int32_t SetVideoMode(int mode, int width, int height) override;
    std::int32_t PushData(const std::uint8_t* data, int length, int reserved1,
                          int reserved2) override;
    std::int32_t SetActive(std::uint8_t active) override;
    std::int32_t SetAudioMode(int mode, int sampleRate, int bitsPerSample, int channels,
                              int bufferSize) override;

    CNetSourcePin& Pin() { return m_pin; }

    // Streaming starts: pushes are taken again, the queue starts empty and
    // the pin becomes active.
    void Run();
    // Streaming pauses after having run.
    void Pause();
    // Streaming ends: waiting fills return and the pin becomes inactive.
    void Stop();
    // A fill must return now (pause, flush or stop); UnlockStop ends that.
    void Unlock();
    void UnlockStop();

private:
    CNetSourcePin m_pin;
};
