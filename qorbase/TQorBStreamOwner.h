#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

// The owning side shared by CShortBStream, CMediumBStream and CLongBStream: one block record
// whose bytes are allocated with malloc/realloc and released with free. Copies are deep, so two
// owners never free the same bytes. An empty block has length 0 and a null data pointer.
template <typename Record>
class TQorBStreamOwner {
public:
    using LengthType = decltype(Record::length);

    TQorBStreamOwner() = default;
    TQorBStreamOwner(const void* data, LengthType length) {
        if (!Set(data, length)) {
            throw std::bad_alloc();
        }
    }
    TQorBStreamOwner(const TQorBStreamOwner& other)
        : TQorBStreamOwner(other.GetData(), other.Length()) {}
    TQorBStreamOwner(TQorBStreamOwner&& other) noexcept : m_stream(other.m_stream) {
        other.m_stream = Record{};
    }
    TQorBStreamOwner& operator=(TQorBStreamOwner other) noexcept {
        std::swap(m_stream, other.m_stream);
        return *this;
    }
    virtual ~TQorBStreamOwner() { std::free(m_stream.data); }

    // Copies `length` bytes in; a null pointer or a zero length empties the block. The source may
    // lie inside this block. On allocation failure the block is unchanged and false is returned.
    bool Set(const void* data, LengthType length) {
        if (data == nullptr || length == 0) {
            Clear();
            return true;
        }
        void* copy = std::malloc(length);
        if (copy == nullptr) {
            return false;
        }
        std::memcpy(copy, data, length);
        std::free(m_stream.data);
        m_stream.data = static_cast<unsigned char*>(copy);
        m_stream.length = length;
        return true;
    }

    // Resizes the block, keeping the leading bytes and zero-filling new ones; 0 empties it.
    bool Alloc(LengthType length) {
        if (length == 0) {
            Clear();
            return true;
        }
        void* memory = std::realloc(m_stream.data, length);
        if (memory == nullptr) {
            return false;
        }
        m_stream.data = static_cast<unsigned char*>(memory);
        if (length > m_stream.length) {
            std::memset(m_stream.data + m_stream.length, 0, length - m_stream.length);
        }
        m_stream.length = length;
        return true;
    }

    unsigned char* GetData() { return m_stream.data; }
    const unsigned char* GetData() const { return m_stream.data; }
    LengthType Length() const { return m_stream.length; }
    bool IsEmpty() const { return m_stream.length == 0; }
    // The record, for writing the block to a byte stream.
    const Record* GetBStream() const { return &m_stream; }

    // Byte-wise order; a block that is a prefix of another sorts first. Answers -1, 0 or 1.
    int Compare(const TQorBStreamOwner& other) const {
        const LengthType common =
            m_stream.length < other.m_stream.length ? m_stream.length : other.m_stream.length;
        const int bytes = common == 0 ? 0 : std::memcmp(m_stream.data, other.m_stream.data, common);
        if (bytes != 0) {
            return bytes < 0 ? -1 : 1;
        }
        if (m_stream.length == other.m_stream.length) {
            return 0;
        }
        return m_stream.length < other.m_stream.length ? -1 : 1;
    }

    friend bool operator==(const TQorBStreamOwner& a, const TQorBStreamOwner& b) {
        return a.Compare(b) == 0;
    }
    friend bool operator!=(const TQorBStreamOwner& a, const TQorBStreamOwner& b) {
        return a.Compare(b) != 0;
    }
    friend bool operator<(const TQorBStreamOwner& a, const TQorBStreamOwner& b) {
        return a.Compare(b) < 0;
    }
    friend bool operator<=(const TQorBStreamOwner& a, const TQorBStreamOwner& b) {
        return a.Compare(b) <= 0;
    }
    friend bool operator>(const TQorBStreamOwner& a, const TQorBStreamOwner& b) {
        return a.Compare(b) > 0;
    }
    friend bool operator>=(const TQorBStreamOwner& a, const TQorBStreamOwner& b) {
        return a.Compare(b) >= 0;
    }

protected:
    void Clear() {
        std::free(m_stream.data);
        m_stream = Record{};
    }

    Record m_stream{};
};
