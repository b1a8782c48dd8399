#include "CPlaybackQueue.h"

#include <algorithm>

void CPlaybackQueue::Configure(int frameBytes, int limitBytes) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_frameBytes = std::max(frameBytes, 1);
    m_limitBytes = std::max(limitBytes, m_frameBytes);
    m_bytes.clear();
    m_dropped = 0;
}

void CPlaybackQueue::Push(const std::uint8_t* data, int length) {
    if (data == nullptr || length <= 0) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_bytes.insert(m_bytes.end(), data, data + length);
    const int held = static_cast<int>(m_bytes.size());
    if (held > m_limitBytes) {
        // The excess rounded up to whole frames.
        const int drop = std::min(held, RoundDown(held - m_limitBytes + m_frameBytes - 1));
        m_bytes.erase(m_bytes.begin(), m_bytes.begin() + drop);
        m_dropped += static_cast<std::uint64_t>(drop);
    }
}

int CPlaybackQueue::Pop(std::uint8_t* out, int capacity) {
    std::lock_guard<std::mutex> guard(m_lock);
    const int count = RoundDown(std::min(capacity, static_cast<int>(m_bytes.size())));
    std::copy_n(m_bytes.begin(), count, out);
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + count);
    return count;
}

void CPlaybackQueue::Trim(int keepBytes) {
    std::lock_guard<std::mutex> guard(m_lock);
    const int held = static_cast<int>(m_bytes.size());
    if (held <= keepBytes) {
        return;
    }
    const int drop = RoundDown(held - std::max(keepBytes, 0));
    m_bytes.erase(m_bytes.begin(), m_bytes.begin() + drop);
    m_dropped += static_cast<std::uint64_t>(drop);
}

int CPlaybackQueue::Held() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_bytes.size());
}

std::uint64_t CPlaybackQueue::DroppedBytes() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_dropped;
}

int CPlaybackQueue::RoundDown(int bytes) const {
    return bytes - bytes % m_frameBytes;
}
