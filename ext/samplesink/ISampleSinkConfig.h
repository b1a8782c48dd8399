#pragma once

#include <cstdint>

#include "IRenderSampleEvent.h"

// Set-up of the sample sink element ("kivsamplesink"). A pipeline owner
// reaches it through the element's read-only pointer property
// kSampleSinkConfigProperty; it stays valid while the owner holds a reference
// to the element.
class ISampleSinkConfig {
public:
    static constexpr std::int32_t kOk = 0;
    static constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005u);

    // The interleaved integer PCM the sink accepts (8, 16, 24 or 32 bits,
    // little-endian), so the pipeline converts to it. Call before the
    // pipeline leaves the READY state; a bad format is refused.
    virtual std::int32_t SetFormat(int sampleRate, int bitsPerSample, int channels) = 0;

    // Where the bytes go; null stops handing them out. When this returns no
    // call to the previous event runs any more.
    virtual std::int32_t SetSampleEvent(IRenderSampleEvent* event) = 0;

protected:
    ~ISampleSinkConfig() = default;
};

inline constexpr const char* kSampleSinkConfigProperty = "config";
