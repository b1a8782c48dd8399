#include "CQorSimpleBuffer.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

namespace {
constexpr std::size_t kMinCapacity = 64;
}

CQorSimpleBuffer::~CQorSimpleBuffer() {
    std::free(m_data);
}

bool CQorSimpleBuffer::Reserve(std::size_t size) {
    if (size <= m_capacity) {
        return true;
    }
    std::size_t grown = m_capacity < kMinCapacity ? kMinCapacity : m_capacity;
    while (grown < size) {
        if (grown > std::numeric_limits<std::size_t>::max() / 2) {
            grown = size;
            break;
        }
        grown *= 2;
    }
    void* memory = std::realloc(m_data, grown);
    if (memory == nullptr) {
        return false;
    }
    m_data = static_cast<unsigned char*>(memory);
    m_capacity = grown;
    return true;
}

bool CQorSimpleBuffer::Write(const void* data, std::size_t length) {
    if (length == 0) {
        return true;
    }
    if (data == nullptr || length > std::numeric_limits<std::size_t>::max() - m_writePos) {
        return false;
    }
    // The source may be this buffer's own memory, which growing moves.
    const auto* source = static_cast<const unsigned char*>(data);
    const bool own = Contains(source);
    const std::size_t offset = own ? static_cast<std::size_t>(source - m_data) : 0;
    if (!Reserve(m_writePos + length)) {
        return false;
    }
    if (own) {
        source = m_data + offset;
    }
    std::memmove(m_data + m_writePos, source, length);
    m_writePos += length;
    return true;
}

bool CQorSimpleBuffer::Read(void* data, std::size_t length) {
    if (length == 0) {
        return true;
    }
    if (data == nullptr || length > GetReadable()) {
        return false;
    }
    std::memcpy(data, m_data + m_readPos, length);
    m_readPos += length;
    return true;
}

bool CQorSimpleBuffer::SkipRead(std::size_t length) {
    if (length > GetReadable()) {
        return false;
    }
    m_readPos += length;
    return true;
}

bool CQorSimpleBuffer::Contains(const void* pointer) const {
    const auto* at = static_cast<const unsigned char*>(pointer);
    return m_data != nullptr && !std::less<>()(at, m_data) &&
           std::less<>()(at, m_data + m_capacity);
}

void CQorSimpleBuffer::Reset() {
    m_readPos = 0;
    m_writePos = 0;
}
