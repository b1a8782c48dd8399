#pragma once

// Bits a frame may spend: normal frames leave a little of their share to the
// reservoir, frames with an attack may spend much of it.
class CAacBitReservoir {
public:
    // averageBits per frame; the reservoir holds at most `capacity` bits.
    CAacBitReservoir(int averageBits, int capacity);

    // Never more than `ceiling`.
    int target(bool attack, int ceiling) const;
    void spend(int bits);

private:
    int average_;
    int capacity_;
    int level_ = 0;
};
