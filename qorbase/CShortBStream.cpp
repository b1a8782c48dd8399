#include "CShortBStream.h"

template class TQorBStreamOwner<ShortBStream>;

CShortBStream::~CShortBStream() = default;
