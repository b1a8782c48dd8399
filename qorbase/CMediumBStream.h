#pragma once

#include "MediumBStream.h"
#include "TQorBStreamOwner.h"

extern template class TQorBStreamOwner<MediumBStream>;

// Owns one MediumBStream block and its bytes.
class CMediumBStream : public TQorBStreamOwner<MediumBStream> {
public:
    using TQorBStreamOwner::TQorBStreamOwner;
    CMediumBStream() = default;
    CMediumBStream(const CMediumBStream&) = default;
    CMediumBStream(CMediumBStream&&) noexcept = default;
    CMediumBStream& operator=(const CMediumBStream&) = default;
    CMediumBStream& operator=(CMediumBStream&&) noexcept = default;
    ~CMediumBStream() override;
};
