#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

// Encoded frames of one call waiting for their time to play. Every frame has
// a time in a schedule: the fastest transit of the last second (arrival less
// the frame's place in the stream), plus a delay that covers the measured
// jitter, between kMinDelayMs and kMaxDelayMs, plus the lead with which the
// speaker asks for a frame. The speaker takes frames in sequence; a frame
// that is missing when its turn comes is concealed and, should it arrive
// later, dropped. When the speaker runs behind the schedule (the jitter fell,
// or the peer's clock is fast) the start of a frame is left out, or whole
// frames when far behind; when it runs ahead, it waits in silence. So the
// delay follows the jitter within a few milliseconds and never creeps.
// With the playback's lead (a chunk and a fade) and the chunk it keeps ready
// for the speaker, the whole playout delay is about 35 to 135 ms.
//
// Put runs on the receive thread, Take on the playback thread.
class CPlayoutBuffer {
public:
    static constexpr int kMinDelayMs = 10;
    static constexpr int kMaxDelayMs = 110;
    // Frames of transit history the jitter is measured over, and the floor.
    static constexpr int kWindowFrames = 100;
    static constexpr int kFloorFrames = 32;

    enum class Next {
        Frame,    // play the frame given
        Conceal,  // one frame of the stream is missing here
        Silence,  // nothing to play now: not started, the peer went quiet, or waiting
    };
    // How the turn deviates from plain playing.
    struct Turn {
        // The frame does not follow the one played before it.
        bool spliced = false;
        // Frame: leave out this much of its start to catch up with the schedule.
        std::int64_t trimUs = 0;
        // Silence: this long, to wait for the schedule; 0 for one chunk.
        std::int64_t waitUs = 0;
    };

    struct Counters {
        std::uint64_t played = 0;
        std::uint64_t concealed = 0;  // missing at their turn
        std::uint64_t waited = 0;     // silences to grow the delay
        std::uint64_t trimmed = 0;    // frames shortened to shrink it
        std::uint64_t skipped = 0;    // frames left out to shrink it
        std::uint64_t late = 0;       // arrived after their turn; dropped
        std::uint64_t duplicate = 0;
        int delayMs = 0;  // the delay the schedule aims at now
    };

    explicit CPlayoutBuffer(std::int64_t frameUs = 32000);

    // Forgets everything; frames last frameUs each, and the speaker asks for
    // a frame up to leadUs before it starts to play, so a frame has to be
    // here that much before its time.
    void Configure(std::int64_t frameUs, std::int64_t leadUs);
    void Put(std::uint32_t sequence, const std::uint8_t* frame, int length, std::int64_t arrivalUs);
    // What the speaker plays next, from nowUs on.
    Next Take(std::int64_t nowUs, std::vector<std::uint8_t>* frame, Turn* turn);

    Counters Figures() const;

private:
    std::int64_t Extend(std::uint32_t sequence);
    std::int64_t Due(std::int64_t position) const;
    void Restart();
    void Measure(std::int64_t offsetUs);

    mutable std::mutex m_lock;
    std::int64_t m_frameUs;
    std::int64_t m_leadUs = 0;
    bool m_haveSequence = false;
    std::uint32_t m_lastSequence = 0;
    std::int64_t m_lastPosition = 0;
    std::map<std::int64_t, std::vector<std::uint8_t>> m_frames;
    std::deque<std::int64_t> m_recent;
    std::deque<std::int64_t> m_deviations;
    std::int64_t m_baseUs = 0;
    std::int64_t m_delayUs;
    std::int64_t m_lastArrivalUs = 0;
    bool m_started = false;
    std::int64_t m_next = 0;
    bool m_skippedSincePlayed = false;
    Counters m_counters;
};
