#include "CAutoEvent.h"

#include <chrono>

void CAutoEvent::Set() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_signalled = true;
    }
    m_changed.notify_one();
}

void CAutoEvent::Reset() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_signalled = false;
}

bool CAutoEvent::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> guard(m_lock);
    const auto isSet = [this] { return m_signalled; };
    if (timeoutMs < 0) {
        m_changed.wait(guard, isSet);
    } else if (!m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSet)) {
        return false;
    }
    m_signalled = false;
    return true;
}
