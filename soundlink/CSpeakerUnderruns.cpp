#include "CSpeakerUnderruns.h"

bool CSpeakerUnderruns::Asked(std::int64_t nowUs) {
    const bool dry = m_lastUs >= 0 && nowUs - m_lastUs > m_drySinceUs;
    m_lastUs = nowUs;
    if (!dry) {
        return false;
    }
    m_dry.push_back(nowUs);
    while (nowUs - m_dry.front() > kWindowUs) {
        m_dry.pop_front();
    }
    return static_cast<int>(m_dry.size()) >= kCount;
}
