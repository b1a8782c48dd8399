#include "CLongBStream.h"

#include <limits>
#include <stdexcept>

template class TQorBStreamOwner<LongBStream>;

CLongBStream::~CLongBStream() = default;

CLongBStream& CLongBStream::operator+=(const CLongBStream& other) {
    const LengthType added = other.Length();
    if (added == 0) {
        return *this;
    }
    const LengthType old = Length();
    if (added > std::numeric_limits<LengthType>::max() - old) {
        throw std::length_error("CLongBStream: appended block exceeds a 32-bit length");
    }
    void* memory = std::realloc(m_stream.data, static_cast<std::size_t>(old) + added);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    m_stream.data = static_cast<unsigned char*>(memory);
    // Appending to itself: the source moved with the reallocation.
    const unsigned char* source = &other == this ? m_stream.data : other.GetData();
    std::memcpy(m_stream.data + old, source, added);
    m_stream.length = old + added;
    return *this;
}
