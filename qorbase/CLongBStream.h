#pragma once

#include "LongBStream.h"
#include "TQorBStreamOwner.h"

extern template class TQorBStreamOwner<LongBStream>;

// Owns one LongBStream block and its bytes; blocks can be appended to it.
class CLongBStream : public TQorBStreamOwner<LongBStream> {
public:
    using TQorBStreamOwner::TQorBStreamOwner;
    CLongBStream() = default;
    CLongBStream(const CLongBStream&) = default;
    CLongBStream(CLongBStream&&) noexcept = default;
    CLongBStream& operator=(const CLongBStream&) = default;
    CLongBStream& operator=(CLongBStream&&) noexcept = default;
    ~CLongBStream() override;

    // Appends the other block's bytes (it may be this block). Throws std::length_error when the
    // result would not fit a 32-bit length and std::bad_alloc when memory runs out; the block is
    // unchanged then.
    CLongBStream& operator+=(const CLongBStream& other);
};
