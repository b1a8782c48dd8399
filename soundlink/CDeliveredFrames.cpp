#include "CDeliveredFrames.h"

namespace {

// How far `sequence` lies ahead of `newest`, across the wrap of the counter.
std::int64_t Ahead(std::uint32_t sequence, std::uint32_t newest) {
    return static_cast<std::int32_t>(sequence - newest);
}

}  // namespace

CDeliveredFrames::Status CDeliveredFrames::Check(std::uint32_t sequence) const {
    const std::int64_t ahead = Ahead(sequence, m_newest);
    if (!m_any || ahead > 0) {
        return Status::New;
    }
    if (-ahead >= kSize) {
        return Status::TooOld;
    }
    return (m_taken >> -ahead) & 1 ? Status::Delivered : Status::New;
}

void CDeliveredFrames::Take(std::uint32_t sequence) {
    const std::int64_t ahead = Ahead(sequence, m_newest);
    if (!m_any) {
        m_any = true;
        m_newest = sequence;
        m_taken = 1;
    } else if (ahead > 0) {
        m_taken = ahead < kSize ? (m_taken << ahead) | 1 : 1;
        m_newest = sequence;
    } else if (-ahead < kSize) {
        m_taken |= std::uint64_t(1) << -ahead;
    }
}
