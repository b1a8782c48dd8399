#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "CAutoEvent.h"

// H.264 decoding for modes 1 and 3: the AvcUnpack decoder, the picture
// buffer (white until the first picture) and the hand-over of decoded
// pictures to the streaming thread.
class CDecodeState {
public:
    CDecodeState();
    ~CDecodeState();

    // A new decoder and picture buffer for width x height at bitsPerPixel;
    // false (and no decoder) when AvcUnpack cannot make one. A set-up while
    // active waits for a key unit.
    bool Setup(int width, int height, int bitsPerPixel, bool active);

    int FrameBytes() const;
    bool IsActive() const;
    // Turning on makes the next decode wait for a key unit.
    void SetActive(bool active);

    // Mode 1: decodes the unit at once into the picture buffer and signals
    // the new picture; units are dropped while inactive or until a key.
    void Push(const std::uint8_t* data, int length);

    // Waits up to timeoutMs for a picture decoded since the last wait.
    bool WaitFrame(int timeoutMs);
    // Lets a waiting WaitFrame return.
    void WakeWaiter();

    bool CopyFrame(std::uint8_t* out, int capacity) const;

    // Mode 3: decodes the unit straight into out; true when out got a picture.
    bool DecodeInto(const std::uint8_t* data, int length, std::uint8_t* out, int capacity);

private:
    struct DecoderCloser {
        void operator()(void* decoder) const;
    };

    bool DecodeLocked(const std::uint8_t* data, int length, std::uint8_t* out, int capacity);

    mutable std::mutex m_lock;
    std::unique_ptr<void, DecoderCloser> m_decoder;
    std::vector<std::uint8_t> m_frame;
    int m_width = 0;
    int m_height = 0;
    int m_frameBytes = 0;
    bool m_active = false;
    bool m_waitForKey = true;
    CAutoEvent m_frameReady;
};
