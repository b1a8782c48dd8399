#include "CCorvoPacer.h"

void CCorvoPacer::Restart() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_started = false;
}

bool CCorvoPacer::WaitTurn(int intervalMs) {
    std::unique_lock<std::mutex> guard(m_lock);
    if (!m_started || intervalMs != m_intervalMs) {
        m_started = true;
        m_intervalMs = intervalMs;
        m_anchor = std::chrono::steady_clock::now();
        m_count = 0;
    }
    const auto due = m_anchor + std::chrono::milliseconds(m_count * intervalMs);
    ++m_count;
    m_wake.wait_until(guard, due, [this] { return m_interrupted; });
    return !m_interrupted;
}

void CCorvoPacer::Interrupt() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void CCorvoPacer::Resume() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_interrupted = false;
}
