#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// The latest raw picture pushed in modes 11 and 12, guarded for the hand-over
// from the pushing thread to the streaming thread.
class CRawFrame {
public:
    // Replaces the picture by a black one of the given size.
    void Configure(int bytes);

    // Copies a picture of exactly the configured size; false otherwise.
    bool Store(const std::uint8_t* data, int length);

    // Copies the picture to out; false when there is none or out is too small.
    bool CopyTo(std::uint8_t* out, int capacity) const;

    int Size() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::uint8_t> m_picture;
};
