#include "CPlayoutBuffer.h"

#include <algorithm>

namespace {

// Safety above the measured jitter: a little on a clean path, more as the
// jitter grows.
constexpr std::int64_t kMarginUs = 2000;
constexpr std::int64_t kMarginShare = 8;
// The peer counts as gone after this long without a frame; the schedule
// starts afresh with its next one.
constexpr std::int64_t kQuietUs = 1000000;
// A sequence this far from the schedule is a restarted peer, not a late frame.
constexpr std::int64_t kRestartFrames = 100;
// Frames held at most (the speaker may not be taking any).
constexpr std::size_t kHeldFrames = 200;
// How far ahead of the schedule the speaker may take a frame that is here,
// and how far behind it may run before whole frames are left out (stretching
// catches up with less).
constexpr std::int64_t kAheadUs = 32000;
constexpr std::int64_t kFarBehindUs = 120000;
// How long after its time a missing frame is still waited for.
constexpr std::int64_t kGraceUs = 10000;

}  // namespace

CPlayoutBuffer::CPlayoutBuffer(std::int64_t frameUs)
    : m_frameUs(frameUs), m_delayUs(kMinDelayMs * 1000) {}

void CPlayoutBuffer::Configure(std::int64_t frameUs, std::int64_t leadUs) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_frameUs = std::max<std::int64_t>(frameUs, 1);
    m_leadUs = std::max<std::int64_t>(leadUs, 0);
    m_counters = Counters{};
    m_haveSequence = false;
    Restart();
}

void CPlayoutBuffer::Restart() {
    m_frames.clear();
    m_recent.clear();
    m_deviations.clear();
    m_delayUs = kMinDelayMs * 1000;
    m_started = false;
    m_skippedSincePlayed = false;
    m_concealed = -1;
    m_prime.clear();
}

std::int64_t CPlayoutBuffer::Extend(std::uint32_t sequence) {
    if (!m_haveSequence) {
        m_haveSequence = true;
        m_lastSequence = sequence;
        m_lastPosition = sequence;
        return m_lastPosition;
    }
    // Sequence numbers wrap; the nearest reading is the one meant.
    m_lastPosition += static_cast<std::int32_t>(sequence - m_lastSequence);
    m_lastSequence = sequence;
    return m_lastPosition;
}

std::int64_t CPlayoutBuffer::Due(std::int64_t position) const {
    return m_baseUs + position * m_frameUs + m_delayUs + m_leadUs;
}

void CPlayoutBuffer::Measure(std::int64_t offsetUs) {
    // The transit's floor follows the last second, so a lasting change of the
    // path (or of the sender's pace) moves the schedule within a second.
    m_recent.push_back(offsetUs);
    if (m_recent.size() > static_cast<std::size_t>(kFloorFrames)) {
        m_recent.pop_front();
    }
    m_baseUs = *std::min_element(m_recent.begin(), m_recent.end());
    m_deviations.push_back(offsetUs - m_baseUs);
    if (m_deviations.size() > static_cast<std::size_t>(kWindowFrames)) {
        m_deviations.pop_front();
    }
    // The jitter is where almost every frame arrived above the floor; a rare
    // straggler is concealed rather than paid for with delay for the whole
    // window. Only that one rank is needed, on the receive thread, per frame.
    m_ranked.assign(m_deviations.begin(), m_deviations.end());
    const auto rank =
        m_ranked.begin() + static_cast<std::ptrdiff_t>((m_ranked.size() - 1) * 99 / 100);
    std::nth_element(m_ranked.begin(), rank, m_ranked.end());
    const std::int64_t high = *rank;
    m_delayUs = std::clamp(high + kMarginUs + high / kMarginShare, std::int64_t(kMinDelayMs) * 1000,
                           std::int64_t(kMaxDelayMs) * 1000);
}

void CPlayoutBuffer::Put(std::uint32_t sequence, const std::uint8_t* frame, int length,
                         std::int64_t arrivalUs, bool copy) {
    if (frame == nullptr || length <= 0) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    std::int64_t position = Extend(sequence);
    const std::int64_t reference = m_started          ? m_next
                                   : m_frames.empty() ? position
                                                      : m_frames.begin()->first;
    if (position < reference - kRestartFrames || position > reference + kRestartFrames) {
        Restart();
    }
    m_lastArrivalUs = arrivalUs;
    // A copy leaves one frame after the frame itself.
    Measure(arrivalUs - (position + (copy ? 1 : 0)) * m_frameUs);
    if (m_started && position < m_next) {
        ++m_counters.late;
        if (position == m_concealed && position == m_next - 1 && m_prime.empty()) {
            m_prime.assign(frame, frame + length);
        }
        return;
    }
    if (m_frames.count(position) != 0) {
        ++m_counters.duplicate;
        return;
    }
    m_frames.emplace(position, std::vector<std::uint8_t>(frame, frame + length));
    if (m_frames.size() > kHeldFrames) {
        m_frames.erase(m_frames.begin());
    }
}

CPlayoutBuffer::Next CPlayoutBuffer::Take(std::int64_t nowUs, std::vector<std::uint8_t>* frame,
                                          Turn* turn) {
    std::lock_guard<std::mutex> guard(m_lock);
    *turn = Turn{};
    if (m_started && m_frames.empty() && nowUs - m_lastArrivalUs > kQuietUs) {
        Restart();
    }
    if (!m_started) {
        if (m_frames.empty() || nowUs < Due(m_frames.begin()->first)) {
            return Next::Silence;
        }
        m_started = true;
        m_next = m_frames.begin()->first;
    }
    if (!m_prime.empty()) {
        frame->swap(m_prime);
        m_prime.clear();
        ++m_counters.primed;
        return Next::Prime;
    }
    while (nowUs - Due(m_next) > kFarBehindUs) {
        m_frames.erase(m_next);
        ++m_next;
        ++m_counters.skipped;
        m_skippedSincePlayed = true;
    }
    const std::int64_t behind = nowUs - Due(m_next);
    const auto found = m_frames.find(m_next);
    // A missing frame is waited for until a little after it is due (what
    // plays meanwhile is made up, cheaper than losing a late frame); one
    // that is here is taken early, and the stretching catches up.
    if (-behind > (found == m_frames.end() ? -kGraceUs : kAheadUs)) {
        ++m_counters.waited;
        turn->waitUs = -behind;
        return Next::Wait;
    }
    if (found == m_frames.end()) {
        ++m_counters.concealed;
        m_concealed = m_next++;
        return Next::Conceal;
    }
    ++m_next;
    *frame = std::move(found->second);
    m_frames.erase(found);
    turn->spliced = m_skippedSincePlayed;
    m_skippedSincePlayed = false;
    ++m_counters.played;
    return Next::Frame;
}

std::int64_t CPlayoutBuffer::Behind(std::int64_t startsUs) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_started ? startsUs - Due(m_next) : 0;
}

CPlayoutBuffer::Counters CPlayoutBuffer::Figures() const {
    std::lock_guard<std::mutex> guard(m_lock);
    Counters counters = m_counters;
    counters.delayMs = static_cast<int>(m_delayUs / 1000);
    return counters;
}
