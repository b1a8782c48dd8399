#pragma once

#include <cstdint>

// Which datagram counters of one sender were taken: each counter once, and
// none older than the window below the highest taken, so a datagram recorded
// on the path cannot be played again.
class CMediaReplayWindow {
public:
    static constexpr std::uint64_t kSize = 64;

    // Whether a datagram with this counter may still be taken.
    bool IsFresh(std::uint64_t counter) const;
    // Takes it (after its tag was checked).
    void Take(std::uint64_t counter);

private:
    bool m_any = false;
    std::uint64_t m_highest = 0;
    // Bit i: counter m_highest - i was taken.
    std::uint64_t m_taken = 0;
};
