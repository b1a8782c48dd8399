#include "CQorByteStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "CQorSimpleBuffer.h"

namespace {

constexpr std::uint32_t kMaxPosition = std::numeric_limits<std::uint32_t>::max();

static_assert(sizeof(short) == 2, "short must be 2 bytes");

std::uint32_t clampCapacity(unsigned long capacity) {
    // A larger block is bounded at the 4 GiB a position can reach.
    return capacity > kMaxPosition ? kMaxPosition : static_cast<std::uint32_t>(capacity);
}

template <typename T>
int storeLittle(unsigned char* at, T value) {
    std::memcpy(at, &value, sizeof value);
    if (!CQorByteStream::is_little_indian()) {
        CQorByteStream::swap(at, sizeof value);
    }
    return static_cast<int>(sizeof value);
}

template <typename T>
T loadLittle(const unsigned char* at) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, at, sizeof bytes);
    if (!CQorByteStream::is_little_indian()) {
        CQorByteStream::swap(bytes, sizeof bytes);
    }
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::int32_t narrowLong(long value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        throw 1;
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t narrowULong(unsigned long value) {
    if (value > std::numeric_limits<std::uint32_t>::max()) {
        throw 1;
    }
    return static_cast<std::uint32_t>(value);
}

template <typename Length>
void encodeLength(unsigned char* at, Length length) {
    static_assert(sizeof(Length) == 1 || sizeof(Length) == 2 || sizeof(Length) == 4);
    if constexpr (sizeof(Length) == 1) {
        CQorByteStream::WriteUChar(at, 0, length);
    } else if constexpr (sizeof(Length) == 2) {
        CQorByteStream::WriteUShort(at, 0, length);
    } else {
        CQorByteStream::WriteULong(at, 0, length);
    }
}

template <typename Length>
Length decodeLength(const unsigned char* at) {
    if constexpr (sizeof(Length) == 1) {
        return CQorByteStream::ReadUChar(at, 0);
    } else if constexpr (sizeof(Length) == 2) {
        return CQorByteStream::ReadUShort(at, 0);
    } else {
        return static_cast<Length>(CQorByteStream::ReadULong(at, 0));
    }
}

}  // namespace

CQorByteStream::CQorByteStream(void* data, unsigned long capacity)
    : m_data(static_cast<unsigned char*>(data)), m_capacity(clampCapacity(capacity)) {}

CQorByteStream::CQorByteStream(CQorSimpleBuffer* buffer, unsigned long capacity)
    : m_capacity(clampCapacity(capacity)), m_buffer(buffer) {}

void CQorByteStream::reset(void* data, unsigned long capacity) {
    m_data = static_cast<unsigned char*>(data);
    m_position = 0;
    m_capacity = clampCapacity(capacity);
    if (m_buffer != nullptr) {
        m_buffer->Reset();
    }
}

CQorByteStream& CQorByteStream::operator<<(char value) {
    unsigned char bytes[1];
    put(nullptr, 0, bytes, WriteChar(bytes, 0, value));
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(unsigned char value) {
    unsigned char bytes[1];
    put(nullptr, 0, bytes, WriteUChar(bytes, 0, value));
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(short value) {
    unsigned char bytes[2];
    put(nullptr, 0, bytes, WriteShort(bytes, 0, value));
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(unsigned short value) {
    unsigned char bytes[2];
    put(nullptr, 0, bytes, WriteUShort(bytes, 0, value));
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(long value) {
    unsigned char bytes[4];
    put(nullptr, 0, bytes, WriteLong(bytes, 0, value));
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(unsigned long value) {
    unsigned char bytes[4];
    put(nullptr, 0, bytes, WriteULong(bytes, 0, value));
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(const ShortBStream* block) {
    writeRecord(block);
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(const MediumBStream* block) {
    writeRecord(block);
    return *this;
}

CQorByteStream& CQorByteStream::operator<<(const LongBStream* block) {
    writeRecord(block);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(char& value) {
    unsigned char bytes[1];
    get(bytes, sizeof bytes);
    value = ReadChar(bytes, 0);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(unsigned char& value) {
    unsigned char bytes[1];
    get(bytes, sizeof bytes);
    value = ReadUChar(bytes, 0);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(short& value) {
    unsigned char bytes[2];
    get(bytes, sizeof bytes);
    value = ReadShort(bytes, 0);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(unsigned short& value) {
    unsigned char bytes[2];
    get(bytes, sizeof bytes);
    value = ReadUShort(bytes, 0);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(long& value) {
    unsigned char bytes[4];
    get(bytes, sizeof bytes);
    value = ReadLong(bytes, 0);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(unsigned long& value) {
    unsigned char bytes[4];
    get(bytes, sizeof bytes);
    value = ReadULong(bytes, 0);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(ShortBStream* block) {
    readRecord(block);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(MediumBStream* block) {
    readRecord(block);
    return *this;
}

CQorByteStream& CQorByteStream::operator>>(LongBStream* block) {
    readRecord(block);
    return *this;
}

void CQorByteStream::WriteBytes(const void* data, unsigned long length) {
    put(nullptr, 0, data, length);
}

void CQorByteStream::ReadBytes(void* data, unsigned long length) {
    get(data, length);
}

void CQorByteStream::WriteShortBStream(const void* data, unsigned char length) {
    writeBlock(data, length);
}

void CQorByteStream::WriteMediumBStream(const void* data, unsigned short length) {
    writeBlock(data, length);
}

void CQorByteStream::WriteLongBStream(const void* data, std::uint32_t length) {
    writeBlock(data, length);
}

unsigned char CQorByteStream::ReadShortBStream(unsigned char** out, int copy) {
    return readBlock<unsigned char>(out, copy);
}

unsigned short CQorByteStream::ReadMediumBStream(unsigned char** out, int copy) {
    return readBlock<unsigned short>(out, copy);
}

std::uint32_t CQorByteStream::ReadLongBStream(unsigned char** out, int copy) {
    return readBlock<std::uint32_t>(out, copy);
}

void CQorByteStream::WriteShortString(const char* text) {
    writeString<unsigned char>(text);
}

void CQorByteStream::WriteMediumString(const char* text) {
    writeString<unsigned short>(text);
}

char* CQorByteStream::ReadShortString(int copy) {
    return readString<unsigned char>(copy);
}

char* CQorByteStream::ReadMediumString(int copy) {
    return readString<unsigned short>(copy);
}

void CQorByteStream::skip(unsigned long length) {
    if (length > kMaxPosition - m_position) {
        throw 1;
    }
    if (m_buffer != nullptr && !m_buffer->SkipRead(length)) {
        throw 1;
    }
    m_position += static_cast<std::uint32_t>(length);
}

unsigned long CQorByteStream::available() const {
    if (m_capacity == 0) {
        return 0xFFFFFFFFul;
    }
    return m_position < m_capacity ? m_capacity - m_position : 0;
}

void* CQorByteStream::get_data() const {
    return m_buffer != nullptr ? m_buffer->GetData() : m_data;
}

int CQorByteStream::WriteChar(unsigned char* buffer, long index, char value) {
    return storeLittle(buffer + index, value);
}

int CQorByteStream::WriteUChar(unsigned char* buffer, long index, unsigned char value) {
    return storeLittle(buffer + index, value);
}

int CQorByteStream::WriteShort(unsigned char* buffer, long index, short value) {
    return storeLittle(buffer + index, value);
}

int CQorByteStream::WriteUShort(unsigned char* buffer, long index, unsigned short value) {
    return storeLittle(buffer + index, value);
}

int CQorByteStream::WriteLong(unsigned char* buffer, long index, long value) {
    return storeLittle(buffer + index, narrowLong(value));
}

int CQorByteStream::WriteULong(unsigned char* buffer, long index, unsigned long value) {
    return storeLittle(buffer + index, narrowULong(value));
}

char CQorByteStream::ReadChar(const unsigned char* buffer, long index) {
    return loadLittle<char>(buffer + index);
}

unsigned char CQorByteStream::ReadUChar(const unsigned char* buffer, long index) {
    return loadLittle<unsigned char>(buffer + index);
}

short CQorByteStream::ReadShort(const unsigned char* buffer, long index) {
    return loadLittle<short>(buffer + index);
}

unsigned short CQorByteStream::ReadUShort(const unsigned char* buffer, long index) {
    return loadLittle<unsigned short>(buffer + index);
}

long CQorByteStream::ReadLong(const unsigned char* buffer, long index) {
    return loadLittle<std::int32_t>(buffer + index);
}

unsigned long CQorByteStream::ReadULong(const unsigned char* buffer, long index) {
    return loadLittle<std::uint32_t>(buffer + index);
}

bool CQorByteStream::is_little_indian() {
    static const bool little = [] {
        const std::uint16_t probe = 0x55AA;
        unsigned char first = 0;
        std::memcpy(&first, &probe, 1);
        return first == 0xAA;
    }();
    return little;
}

void CQorByteStream::swap(void* data, unsigned long length) {
    if (data == nullptr) {
        return;
    }
    auto* bytes = static_cast<unsigned char*>(data);
    std::reverse(bytes, bytes + length);
}

void CQorByteStream::requireRoom(std::uint64_t length) const {
    if (m_buffer == nullptr && m_data == nullptr) {
        throw 1;
    }
    if (length > kMaxPosition - m_position) {
        throw 1;
    }
    if (m_capacity != 0 && m_position + length > m_capacity) {
        throw 1;
    }
}

void CQorByteStream::requireReadable(std::uint64_t length) const {
    requireRoom(length);
    if (m_buffer != nullptr && length > m_buffer->GetReadable()) {
        throw 1;
    }
}

unsigned char* CQorByteStream::readPointer() const {
    if (m_buffer != nullptr) {
        return m_buffer->GetData() + m_buffer->GetReadPos();
    }
    return m_data + m_position;
}

void CQorByteStream::put(const unsigned char* prefix, std::size_t prefixLength, const void* data,
                         std::uint64_t length) {
    if (data == nullptr && length != 0) {
        throw 1;
    }
    const std::uint64_t total = prefixLength + length;
    requireRoom(total);
    const auto* source = static_cast<const unsigned char*>(data);
    if (m_buffer != nullptr) {
        // The source may be the buffer's own memory (a block read without copying), which
        // growing moves.
        const bool own = m_buffer->Contains(source);
        const std::size_t offset = own ? static_cast<std::size_t>(source - m_buffer->GetData()) : 0;
        if (!m_buffer->Reserve(m_buffer->GetWritePos() + total)) {
            throw 1;
        }
        if (own) {
            source = m_buffer->GetData() + offset;
        }
        m_buffer->Write(prefix, prefixLength);
        m_buffer->Write(source, length);
    } else {
        unsigned char* at = m_data + m_position;
        if (prefixLength != 0) {
            std::memcpy(at, prefix, prefixLength);
        }
        if (length != 0) {
            std::memmove(at + prefixLength, source, length);
        }
    }
    m_position += static_cast<std::uint32_t>(total);
}

void CQorByteStream::get(void* data, std::uint64_t length) {
    if (data == nullptr && length != 0) {
        throw 1;
    }
    requireReadable(length);
    if (length == 0) {
        return;
    }
    std::memmove(data, readPointer(), length);
    consume(length);
}

void CQorByteStream::consume(std::uint64_t length) {
    if (m_buffer != nullptr) {
        m_buffer->SkipRead(length);
    }
    m_position += static_cast<std::uint32_t>(length);
}

template <typename Length>
void CQorByteStream::writeBlock(const void* data, Length length) {
    unsigned char prefix[sizeof(Length)];
    encodeLength(prefix, length);
    put(prefix, sizeof prefix, data, length);
}

template <typename Length>
unsigned char* CQorByteStream::peekBlock(Length& length) const {
    requireReadable(sizeof(Length));
    unsigned char* at = readPointer();
    length = decodeLength<Length>(at);
    requireReadable(sizeof(Length) + static_cast<std::uint64_t>(length));
    return at + sizeof(Length);
}

template <typename Length>
Length CQorByteStream::readBlock(unsigned char** out, int copy) {
    if (out == nullptr) {
        throw 1;
    }
    Length length = 0;
    unsigned char* bytes = peekBlock(length);
    unsigned char* result = nullptr;
    if (length != 0 && copy) {
        result = static_cast<unsigned char*>(std::malloc(length));
        if (result == nullptr) {
            throw 1;
        }
        std::memcpy(result, bytes, length);
    } else if (length != 0) {
        result = bytes;
    }
    consume(sizeof(Length) + static_cast<std::uint64_t>(length));
    *out = result;
    return length;
}

template <typename Record>
void CQorByteStream::writeRecord(const Record* block) {
    if (block == nullptr) {
        throw 1;
    }
    writeBlock(block->data, block->length);
}

template <typename Record>
void CQorByteStream::readRecord(Record* block) {
    if (block == nullptr) {
        throw 1;
    }
    unsigned char* data = nullptr;
    block->length = readBlock<decltype(Record::length)>(&data, 0);
    block->data = data;
}

template <typename Length>
void CQorByteStream::writeString(const char* text) {
    if (text == nullptr) {
        writeBlock<Length>(nullptr, 0);
        return;
    }
    const std::size_t size = std::strlen(text) + 1;
    if (size > std::numeric_limits<Length>::max()) {
        throw 1;
    }
    writeBlock(text, static_cast<Length>(size));
}

template <typename Length>
char* CQorByteStream::readString(int copy) {
    Length length = 0;
    char* text = reinterpret_cast<char*>(peekBlock(length));
    char* result = nullptr;
    if (length != 0 && copy) {
        // One byte more than stored, so text whose terminator is missing still ends.
        result = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
        if (result == nullptr) {
            throw 1;
        }
        std::memcpy(result, text, length);
        result[length] = '\0';
    } else if (length != 0) {
        if (std::memchr(text, 0, length) == nullptr) {
            throw 1;
        }
        result = text;
    }
    consume(sizeof(Length) + static_cast<std::uint64_t>(length));
    return result;
}
