#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// PCM handed from the pushing thread to the streaming thread in 10 ms
// chunks. Reads take whole chunks from chunk-aligned positions, so a chunk
// never wraps.
class CPcmRing {
public:
    static constexpr int kChunks = 40;

    // Drops what is held and makes room for kChunks chunks. silence is the
    // byte value of a silent sample (0x80 for 8-bit PCM, else 0).
    void Configure(int chunkBytes, std::uint8_t silence);

    // Appends the bytes, or drops them whole when they would fill the ring
    // to its size or beyond; true when kept.
    bool Push(const std::uint8_t* data, int length);

    // Copies the next chunk to out when one is held and out has room for it;
    // otherwise fills out with silence and returns false.
    bool ReadChunk(std::uint8_t* out, int capacity);

    int Capacity() const;
    int Held() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::uint8_t> m_buffer;
    int m_chunkBytes = 0;
    int m_write = 0;
    int m_read = 0;
    int m_held = 0;
    std::uint8_t m_silence = 0;
};
