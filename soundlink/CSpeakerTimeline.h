#pragma once

#include <cstdint>

// When the sound leaving the playback's network source will be heard, as
// times of the process's shared clock (microseconds), for the echo probe: the
// canceller pairs what the microphone recorded with what the speaker played
// by these times, and every step of them shifts what it compares, so they
// must run on evenly. Each piece follows the one before it; the speaker pulls
// pieces in uneven steps, so the times are moved to what the clock says only
// when their average distance grows past ten milliseconds (the speaker's
// clock drifts), and start afresh when they are far off (the speaker ran dry,
// or the playback started again).
//
// Streaming thread only.
class CSpeakerTimeline {
public:
    // From leaving the source to being heard: the piece waits for room in the
    // speaker, then passes through the speaker's buffer.
    explicit CSpeakerTimeline(std::int64_t aheadUs) : m_aheadUs(aheadUs) {}

    void Reset() { m_nextUs = kNone; }
    // The time the piece of durationUs leaving now will be heard.
    std::int64_t Next(std::int64_t nowUs, std::int64_t durationUs);

    // The average distance tolerated before the times move.
    static constexpr std::int64_t kSlackUs = 10000;
    // Farther off than this, the times start afresh.
    static constexpr std::int64_t kJumpUs = 80000;

private:
    static constexpr std::int64_t kNone = INT64_MIN;
    std::int64_t m_aheadUs;
    std::int64_t m_nextUs = kNone;
    // The distance to the clock, averaged over about 128 pieces.
    std::int64_t m_averageOffUs = 0;
};
