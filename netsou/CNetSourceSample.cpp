#include "CNetSourceSample.h"

#include <algorithm>

void CNetSourceSample::Resize(int bytes) {
    m_bytes.resize(static_cast<size_t>(std::max(bytes, 0)));
    m_dataLength = std::min(m_dataLength, Size());
}

void CNetSourceSample::SetDataLength(int length) {
    m_dataLength = std::clamp(length, 0, Size());
}
