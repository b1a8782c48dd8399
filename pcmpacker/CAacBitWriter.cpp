#include "CAacBitWriter.h"

CAacBitWriter::CAacBitWriter(unsigned char* out, int capacityBytes)
    : out_(out), capacityBits_(capacityBytes * 8) {}

void CAacBitWriter::put(uint32_t value, int count) {
    if (count <= 0) {
        return;
    }
    if (bits_ + count > capacityBits_) {
        overflowed_ = true;
        return;
    }
    const uint64_t mask = (uint64_t{1} << count) - 1;
    pending_ = (pending_ << count) | (value & mask);
    pendingBits_ += count;
    bits_ += count;
    while (pendingBits_ >= 8) {
        pendingBits_ -= 8;
        out_[(bits_ - pendingBits_) / 8 - 1] = static_cast<unsigned char>(pending_ >> pendingBits_);
    }
}

void CAacBitWriter::flush() {
    if (pendingBits_ > 0) {
        put(0, 8 - pendingBits_);
    }
}
