#include "CMediaReplayWindow.h"

bool CMediaReplayWindow::IsFresh(std::uint64_t counter) const {
    if (!m_any || counter > m_highest) {
        return true;
    }
    const std::uint64_t behind = m_highest - counter;
    return behind < kSize && (m_taken & (std::uint64_t(1) << behind)) == 0;
}

void CMediaReplayWindow::Take(std::uint64_t counter) {
    if (!m_any) {
        m_any = true;
        m_highest = counter;
        m_taken = 1;
        return;
    }
    if (counter > m_highest) {
        const std::uint64_t ahead = counter - m_highest;
        m_taken = ahead < kSize ? (m_taken << ahead) | 1 : 1;
        m_highest = counter;
        return;
    }
    const std::uint64_t behind = m_highest - counter;
    if (behind < kSize) {
        m_taken |= std::uint64_t(1) << behind;
    }
}
