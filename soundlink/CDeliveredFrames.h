#pragma once

#include <cstdint>

// The frame sequences a call's transport handed on lately. Every frame
// arrives twice (first sending and copy); only the first of the two to be
// complete goes on, so the decoder sees each frame once and the copy never
// reaches the playout as a late frame.
class CDeliveredFrames {
public:
    // Frames remembered below the newest handed on (about two seconds).
    static constexpr std::uint32_t kSize = 64;

    enum class Status {
        New,        // not handed on yet
        Delivered,  // handed on already
        TooOld,     // below the window: nothing is known of it
    };

    Status Check(std::uint32_t sequence) const;
    // Notes a frame handed on; one below the window leaves it unchanged.
    void Take(std::uint32_t sequence);

private:
    bool m_any = false;
    std::uint32_t m_newest = 0;
    // Bit i: sequence m_newest - i was handed on.
    std::uint64_t m_taken = 0;
};
