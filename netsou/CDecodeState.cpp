#include "CDecodeState.h"

#include <cstring>

#include "AvcUnpack.h"
#include "NetSourceKeyUnit.h"

void CDecodeState::DecoderCloser::operator()(void* decoder) const {
    AvcUnpackUnInit(decoder);
}

CDecodeState::CDecodeState() = default;

CDecodeState::~CDecodeState() = default;

bool CDecodeState::Setup(int width, int height, int bitsPerPixel, bool active) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_decoder.reset();
    m_width = width;
    m_height = height;
    m_frameBytes = width * height * bitsPerPixel / 8;
    // Eight spare rows, as a decoder may write a little past the picture.
    m_frame.assign(static_cast<size_t>(width) * (height + 8) * bitsPerPixel / 8, 0xFF);
    m_active = active;
    m_waitForKey = true;
    m_decoder.reset(AvcUnpackInit());
    if (m_decoder && AvcUnpackSetBitCount(m_decoder.get(), bitsPerPixel) != 0) {
        m_decoder.reset();
    }
    return m_decoder != nullptr;
}

int CDecodeState::FrameBytes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_frameBytes;
}

bool CDecodeState::IsActive() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_active;
}

void CDecodeState::SetActive(bool active) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_active = active;
    if (active) {
        m_waitForKey = true;
    }
}

void CDecodeState::Push(const std::uint8_t* data, int length) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_decoder || !m_active) {
            return;
        }
        if (m_waitForKey && !IsNetSourceKeyUnit(data, length)) {
            return;
        }
        m_waitForKey = false;
        if (!DecodeLocked(data, length, m_frame.data(), static_cast<int>(m_frame.size()))) {
            return;
        }
    }
    m_frameReady.Set();
}

bool CDecodeState::WaitFrame(int timeoutMs) {
    return m_frameReady.Wait(timeoutMs);
}

void CDecodeState::WakeWaiter() {
    m_frameReady.Set();
}

bool CDecodeState::CopyFrame(std::uint8_t* out, int capacity) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_frameBytes <= 0 || capacity < m_frameBytes) {
        return false;
    }
    std::memcpy(out, m_frame.data(), static_cast<size_t>(m_frameBytes));
    return true;
}

bool CDecodeState::DecodeInto(const std::uint8_t* data, int length, std::uint8_t* out,
                              int capacity) {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_decoder && DecodeLocked(data, length, out, capacity);
}

bool CDecodeState::DecodeLocked(const std::uint8_t* data, int length, std::uint8_t* out,
                                int capacity) {
    if (capacity < m_frameBytes) {
        return false;
    }
    int width = m_width;
    int height = m_height;
    int extra = 0;
    return AvcUnpackProc(m_decoder.get(), data, length, out, &width, &height, &extra) ==
           AVCUNPACK_FRAME;
}
