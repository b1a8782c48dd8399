#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

// Encoded frames of one call waiting for their time to play. Every frame has
// a time in a schedule: the fastest transit of the last second (arrival less
// the frame's place in the stream), plus a delay that covers almost every
// frame's transit above it, between kMinDelayMs and kMaxDelayMs, plus the lead
// with which the speaker asks for a frame. The speaker takes frames in
// sequence; a frame that is missing when its turn comes is concealed and,
// should it arrive while the next one has not been taken, handed out once to
// be decoded and dropped (so the decoder's overlap follows the stream). The
// playback follows the schedule by stretching the sound (Behind says how far
// off it is); only when it is far behind are whole frames left out.
//
// Put runs on the receive thread, Take and Behind on the playback thread.
class CPlayoutBuffer {
public:
    static constexpr int kMinDelayMs = 2;
    static constexpr int kMaxDelayMs = 110;
    // Frames of transit history the jitter is measured over, and the floor.
    static constexpr int kWindowFrames = 300;
    static constexpr int kFloorFrames = 32;

    enum class Next {
        Frame,    // play the frame given
        Prime,    // decode the frame given and drop the sound: it came after its turn
        Conceal,  // one frame of the stream is missing here
        Wait,     // the next frame is not due yet
        Silence,  // nothing to play: not started, or the peer went quiet
    };
    // How the turn deviates from plain playing.
    struct Turn {
        // The frame does not follow the one played before it.
        bool spliced = false;
        // Wait: how long until the next frame is due.
        std::int64_t waitUs = 0;
    };

    struct Counters {
        std::uint64_t played = 0;
        std::uint64_t concealed = 0;  // missing at their turn
        std::uint64_t waited = 0;     // turns that came before the next frame was due
        std::uint64_t skipped = 0;    // frames left out when far behind
        std::uint64_t late = 0;       // arrived after their turn; dropped
        std::uint64_t primed = 0;     // of those, decoded for the decoder's sake
        std::uint64_t duplicate = 0;
        int delayMs = 0;  // the delay the schedule aims at now
    };

    explicit CPlayoutBuffer(std::int64_t frameUs = 32000);

    // Forgets everything; frames last frameUs each, and the speaker asks for
    // a frame up to leadUs before it starts to play, so a frame has to be
    // here that much before its time.
    void Configure(std::int64_t frameUs, std::int64_t leadUs);
    // copy: the frame came in the copy that is sent one frame after it.
    void Put(std::uint32_t sequence, const std::uint8_t* frame, int length, std::int64_t arrivalUs,
             bool copy = false);
    // What the speaker plays next, from nowUs on.
    Next Take(std::int64_t nowUs, std::vector<std::uint8_t>* frame, Turn* turn);
    // How far sound of the next frame starting at startsUs would be behind
    // the schedule (negative: ahead); 0 before the stream started.
    std::int64_t Behind(std::int64_t startsUs) const;

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
    // Scratch for ranking the deviations, kept to spare an allocation per frame.
    std::vector<std::int64_t> m_ranked;
    std::int64_t m_baseUs = 0;
    std::int64_t m_delayUs;
    std::int64_t m_lastArrivalUs = 0;
    bool m_started = false;
    std::int64_t m_next = 0;
    bool m_skippedSincePlayed = false;
    // A concealed frame that arrived before the frame after it was taken.
    std::int64_t m_concealed = -1;
    std::vector<std::uint8_t> m_prime;
    Counters m_counters;
};
