#pragma once

#include <cstdint>
#include <deque>

// Tells from the moments the speaker asks for sound whether it keeps running
// dry: a gap between two asks longer than all the sound it held means it
// played silence meanwhile. A few such gaps close together say the machine
// cannot keep a short speaker buffer filled.
//
// One thread (the playback's streaming thread).
class CSpeakerUnderruns {
public:
    static constexpr int kCount = 3;
    static constexpr std::int64_t kWindowUs = 10000000;

    // drySinceUs: how long after an ask the speaker has played all it held.
    explicit CSpeakerUnderruns(std::int64_t drySinceUs) : m_drySinceUs(drySinceUs) {}

    // The speaker asks at nowUs; true when this makes kCount dry gaps within kWindowUs.
    bool Asked(std::int64_t nowUs);

private:
    std::int64_t m_drySinceUs;
    std::int64_t m_lastUs = -1;
    std::deque<std::int64_t> m_dry;
};
