#pragma once

#include <mutex>

#include "IAACEvent.h"
#include "IPcmToAACEvent.h"

// Holds the session's AAC encoder (PcmPacker) and passes its frames on.
class CAudioEncode : public IPcmToAACEvent {
public:
    explicit CAudioEncode(IAACEvent* target) : m_target(target) {}
    ~CAudioEncode() override;
    CAudioEncode(const CAudioEncode&) = delete;
    CAudioEncode& operator=(const CAudioEncode&) = delete;

    // False when the encoder refuses the format (there is then none);
    // libavcodec: libavcodec's encoder instead of the low-delay one.
    bool Create(int channels, int sampleRate, int bitsPerSample, bool libavcodec = false);
    void Destroy();
    bool Exists() const;
    // Capture thread: buffers PCM and emits every whole frame.
    void Process(const std::uint8_t* pcm, int length);

    void OnPcmToAAC(unsigned char* frame, int length) override;

private:
    // The capture thread's use and the caller's create and destroy are
    // ordered here, not only by the pipeline's stop.
    mutable std::mutex m_lock;
    void* m_encoder = nullptr;
    IAACEvent* m_target;
};
