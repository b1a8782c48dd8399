#pragma once

#include <cstdint>

// Control interface of the network source element ("netsou"). A pipeline
// owner reaches it through the element's read-only pointer property
// kNetSourceControlProperty:
//
//     INetSourceControl* control = nullptr;
//     g_object_get(element, kNetSourceControlProperty, &control, nullptr);
//
// The pointer stays valid while the owner holds a reference to the element.
// Mode and formats are set before the pipeline leaves the NULL/READY state;
// PushData may then be called from any one thread while the pipeline plays.
class INetSourceControl {
public:
    // Results keep the COM values the callers compare against.
    static constexpr std::int32_t kOk = 0;
    static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);

    // 1: H.264 units decoded at push, the latest picture delivered; 2: H.264
    // units queued and delivered unchanged; 3: H.264 units queued, decoded
    // when delivered; 11 / 12: raw 24 / 32-bit frames, the latest delivered.
    // Pictures are bottom-up rows of B, G, R (, unused) bytes.
    virtual std::int32_t SetVideoMode(int mode, int width, int height) = 0;

    virtual std::int32_t PushData(const std::uint8_t* data, int length, int reserved1,
                                  int reserved2) = 0;

    virtual std::int32_t SetActive(std::uint8_t active) = 0;

    // 101: little-endian PCM delivered in 10 ms chunks.
    virtual std::int32_t SetAudioMode(int mode, int sampleRate, int bitsPerSample, int channels,
                                      int bufferSize) = 0;

protected:
    ~INetSourceControl() = default;
};

inline constexpr const char* kNetSourceControlProperty = "control";
