#pragma once

#include "ShortBStream.h"
#include "TQorBStreamOwner.h"

extern template class TQorBStreamOwner<ShortBStream>;

// Owns one ShortBStream block and its bytes.
class CShortBStream : public TQorBStreamOwner<ShortBStream> {
public:
    using TQorBStreamOwner::TQorBStreamOwner;
    CShortBStream() = default;
    CShortBStream(const CShortBStream&) = default;
    CShortBStream(CShortBStream&&) noexcept = default;
    CShortBStream& operator=(const CShortBStream&) = default;
    CShortBStream& operator=(CShortBStream&&) noexcept = default;
    ~CShortBStream() override;
};
