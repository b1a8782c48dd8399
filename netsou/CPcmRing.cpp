#include "CPcmRing.h"

#include <algorithm>
#include <cstring>

void CPcmRing::Configure(int chunkBytes, std::uint8_t silence) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_chunkBytes = std::max(chunkBytes, 0);
    m_buffer.assign(static_cast<size_t>(m_chunkBytes) * kChunks, silence);
    m_silence = silence;
    m_write = 0;
    m_read = 0;
    m_held = 0;
}

bool CPcmRing::Push(const std::uint8_t* data, int length) {
    if (length < 0 || (length > 0 && data == nullptr)) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    const int capacity = static_cast<int>(m_buffer.size());
    if (length >= capacity - m_held) {
        return false;
    }
    const int first = std::min(length, capacity - m_write);
    std::memcpy(m_buffer.data() + m_write, data, static_cast<size_t>(first));
    std::memcpy(m_buffer.data(), data + first, static_cast<size_t>(length - first));
    m_write = (m_write + length) % capacity;
    m_held += length;
    return true;
}

bool CPcmRing::ReadChunk(std::uint8_t* out, int capacity) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_chunkBytes == 0 || m_held < m_chunkBytes || capacity < m_chunkBytes) {
        // A dry ring plays silence: repeating the last chunk would buzz.
        std::memset(out, m_silence, static_cast<size_t>(std::max(capacity, 0)));
        return false;
    }
    std::memcpy(out, m_buffer.data() + m_read, static_cast<size_t>(m_chunkBytes));
    m_read = (m_read + m_chunkBytes) % static_cast<int>(m_buffer.size());
    m_held -= m_chunkBytes;
    return true;
}

int CPcmRing::Capacity() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_buffer.size());
}

int CPcmRing::Held() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_held;
}
