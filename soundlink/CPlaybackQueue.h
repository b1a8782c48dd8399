#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

// Decoded PCM waiting for the speaker. It is bounded: what would pass the
// limit pushes the oldest sound out, and Trim drops the part of the backlog
// that stayed unplayed for a while, so a burst of late packets does not add
// delay for the rest of the call.
class CPlaybackQueue {
public:
    // frameBytes: one sample of every channel; bytes are kept in whole frames.
    void Configure(int frameBytes, int limitBytes);

    // Receive thread.
    void Push(const std::uint8_t* data, int length);
    // Playback thread: up to capacity bytes, whole frames; the count taken.
    int Pop(std::uint8_t* out, int capacity);
    // Playback thread: drops the oldest bytes, whole frames, down to keepBytes.
    void Trim(int keepBytes);

    int Held() const;
    std::uint64_t DroppedBytes() const;

private:
    int RoundDown(int bytes) const;

    mutable std::mutex m_lock;
    std::deque<std::uint8_t> m_bytes;
    int m_frameBytes = 1;
    int m_limitBytes = 0;
    std::uint64_t m_dropped = 0;
};
