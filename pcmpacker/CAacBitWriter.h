#pragma once

#include <cstdint>

// Writes bits most significant first into a caller's buffer. Writing past
// the end is not done but remembered, so one check at the end suffices.
class CAacBitWriter {
public:
    CAacBitWriter(unsigned char* out, int capacityBytes);

    // The low `count` bits of value, count 0 to 32.
    void put(uint32_t value, int count);
    // Zero bits up to the next byte boundary, then everything is in the buffer.
    void flush();

    int bitCount() const { return bits_; }
    bool overflowed() const { return overflowed_; }

private:
    unsigned char* out_;
    int capacityBits_;
    int bits_ = 0;
    bool overflowed_ = false;
    uint64_t pending_ = 0;
    int pendingBits_ = 0;
};
