#include "CMediumBStream.h"

template class TQorBStreamOwner<MediumBStream>;

CMediumBStream::~CMediumBStream() = default;
