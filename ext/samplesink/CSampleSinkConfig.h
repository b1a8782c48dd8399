#pragma once

#include <mutex>

#include "ISampleSinkConfig.h"

// The sink's settings and its hand-over of bytes to the event.
class CSampleSinkConfig : public ISampleSinkConfig {
public:
    // Takes both locks once: whatever a streaming thread did under them is
    // ordered before the destruction by our own locks.
    ~CSampleSinkConfig();

    struct Format {
        int sampleRate = 0;
        int bitsPerSample = 0;
        int channels = 0;
    };

    std::int32_t SetFormat(int sampleRate, int bitsPerSample, int channels) override;
    std::int32_t SetSampleEvent(IRenderSampleEvent* event) override;

    // No format set: any raw audio is accepted.
    Format CurrentFormat() const;
    void Deliver(const std::uint8_t* data, int length);

private:
    mutable std::mutex m_formatLock;
    Format m_format;
    // Held while the event runs, so SetSampleEvent waits for it.
    std::mutex m_eventLock;
    IRenderSampleEvent* m_event = nullptr;
};
