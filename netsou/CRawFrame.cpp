#include "CRawFrame.h"

#include <cstring>

void CRawFrame::Configure(int bytes) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_picture.assign(static_cast<size_t>(bytes > 0 ? bytes : 0), 0);
}

bool CRawFrame::Store(const std::uint8_t* data, int length) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (data == nullptr || m_picture.empty() || length < 0 ||
        static_cast<size_t>(length) != m_picture.size()) {
        return false;
    }
    std::memcpy(m_picture.data(), data, m_picture.size());
    return true;
}

bool CRawFrame::CopyTo(std::uint8_t* out, int capacity) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_picture.empty() || capacity < 0 || static_cast<size_t>(capacity) < m_picture.size()) {
        return false;
    }
    std::memcpy(out, m_picture.data(), m_picture.size());
    return true;
}

int CRawFrame::Size() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(m_picture.size());
}
