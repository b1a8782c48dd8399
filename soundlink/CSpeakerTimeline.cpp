#include "CSpeakerTimeline.h"

std::int64_t CSpeakerTimeline::Next(std::int64_t nowUs, std::int64_t durationUs) {
    const std::int64_t clockSays = nowUs + m_aheadUs;
    const std::int64_t off = clockSays - m_nextUs;
    if (m_nextUs == kNone || off > kJumpUs || off < -kJumpUs) {
        m_nextUs = clockSays;
        m_averageOffUs = 0;
    } else {
        m_averageOffUs += (off - m_averageOffUs) / 128;
        if (m_averageOffUs > kSlackUs || m_averageOffUs < -kSlackUs) {
            m_nextUs += m_averageOffUs;
            m_averageOffUs = 0;
        }
    }
    const std::int64_t heard = m_nextUs;
    m_nextUs += durationUs;
    return heard;
}
