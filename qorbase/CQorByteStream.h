#pragma once

#include <cstddef>
#include <cstdint>

#include "LongBStream.h"
#include "MediumBStream.h"
#include "ShortBStream.h"

class CQorSimpleBuffer;

// Serialises integers, length-prefixed byte blocks and strings in a fixed little-endian layout,
// either on a caller's memory block or on a growable CQorSimpleBuffer.
//
// Every refused transfer throws the integer 1, transfers nothing and leaves the position as it
// was: passing a non-zero capacity, a position past 4 GiB, reading more than a backing buffer
// holds, a length prefix promising more bytes than the stream has, text too long for its prefix,
// a null source or target, a long that does not fit the 4 wire bytes, or a failed allocation.
//
// "long" is 4 bytes on the wire. A long outside the 32-bit range is refused rather than cut,
// because a silently truncated value would read back as a different number. Reading sign-extends
// a long and zero-extends an unsigned long.
//
// A capacity of 0 means unbounded. An unbounded stream on plain memory cannot know the size of
// the caller's block: it refuses only a null block and a wrapping position, and the caller must
// guarantee that the block holds every byte written or read. Give a capacity whenever the bytes
// come from outside. A backing buffer always knows how much was written, so reads from it never
// pass the written bytes, bounded or not.
class CQorByteStream {
public:
    CQorByteStream(void* data, unsigned long capacity);
    CQorByteStream(CQorSimpleBuffer* buffer, unsigned long capacity);

    // Starts over on a new block at position 0; an attached buffer is kept and rewound.
    void reset(void* data, unsigned long capacity);

    CQorByteStream& operator<<(char value);
    CQorByteStream& operator<<(unsigned char value);
    CQorByteStream& operator<<(short value);
    CQorByteStream& operator<<(unsigned short value);
    CQorByteStream& operator<<(long value);
    CQorByteStream& operator<<(unsigned long value);
    CQorByteStream& operator<<(const ShortBStream* block);
    CQorByteStream& operator<<(const MediumBStream* block);
    CQorByteStream& operator<<(const LongBStream* block);

    CQorByteStream& operator>>(char& value);
    CQorByteStream& operator>>(unsigned char& value);
    CQorByteStream& operator>>(short& value);
    CQorByteStream& operator>>(unsigned short& value);
    CQorByteStream& operator>>(long& value);
    CQorByteStream& operator>>(unsigned long& value);
    // Block records are read without copying: their data points into the stream's memory.
    CQorByteStream& operator>>(ShortBStream* block);
    CQorByteStream& operator>>(MediumBStream* block);
    CQorByteStream& operator>>(LongBStream* block);

    void WriteBytes(const void* data, unsigned long length);
    void ReadBytes(void* data, unsigned long length);

    void WriteShortBStream(const void* data, unsigned char length);
    void WriteMediumBStream(const void* data, unsigned short length);
    void WriteLongBStream(const void* data, std::uint32_t length);
    // Stores the block in *out and answers its length; an empty block gives null. With `copy` set
    // the bytes come in memory from malloc that the caller frees; otherwise *out points into the
    // stream's memory, valid while that memory is (a buffer's only until it grows).
    unsigned char ReadShortBStream(unsigned char** out, int copy);
    unsigned short ReadMediumBStream(unsigned char** out, int copy);
    std::uint32_t ReadLongBStream(unsigned char** out, int copy);

    // A null text is written as a zero length; text longer than 254 (short) or 65534 (medium)
    // bytes is refused.
    void WriteShortString(const char* text);
    void WriteMediumString(const char* text);
    // Answers null for a zero length. A copy (from malloc, freed by the caller) is always
    // terminated, even when the stored bytes are not; without a copy, text whose stored bytes hold
    // no zero byte is refused, so the answer is always C text.
    char* ReadShortString(int copy);
    char* ReadMediumString(int copy);

    unsigned long tell() const { return m_position; }
    // Advances without testing the capacity; the next transfer past it is refused. With a backing
    // buffer it consumes written bytes and cannot pass them.
    void skip(unsigned long length);
    unsigned long available() const;
    void* get_data() const;

    // Raw memory in stream order; the caller guarantees the memory. They answer the byte count.
    static int WriteChar(unsigned char* buffer, long index, char value);
    static int WriteUChar(unsigned char* buffer, long index, unsigned char value);
    static int WriteShort(unsigned char* buffer, long index, short value);
    static int WriteUShort(unsigned char* buffer, long index, unsigned short value);
    static int WriteLong(unsigned char* buffer, long index, long value);
    static int WriteULong(unsigned char* buffer, long index, unsigned long value);
    static char ReadChar(const unsigned char* buffer, long index);
    static unsigned char ReadUChar(const unsigned char* buffer, long index);
    static short ReadShort(const unsigned char* buffer, long index);
    static unsigned short ReadUShort(const unsigned char* buffer, long index);
    static long ReadLong(const unsigned char* buffer, long index);
    static unsigned long ReadULong(const unsigned char* buffer, long index);

    static bool is_little_indian();
    // Reverses the order of `length` bytes in place.
    static void swap(void* data, unsigned long length);

private:
    void requireRoom(std::uint64_t length) const;
    void requireReadable(std::uint64_t length) const;
    unsigned char* readPointer() const;
    void put(const unsigned char* prefix, std::size_t prefixLength, const void* data,
             std::uint64_t length);
    void get(void* data, std::uint64_t length);
    void consume(std::uint64_t length);

    template <typename Length>
    void writeBlock(const void* data, Length length);
    template <typename Length>
    unsigned char* peekBlock(Length& length) const;
    template <typename Length>
    Length readBlock(unsigned char** out, int copy);
    template <typename Record>
    void writeRecord(const Record* block);
    template <typename Record>
    void readRecord(Record* block);
    template <typename Length>
    void writeString(const char* text);
    template <typename Length>
    char* readString(int copy);

    unsigned char* m_data = nullptr;
    std::uint32_t m_position = 0;
    std::uint32_t m_capacity = 0;
    CQorSimpleBuffer* m_buffer = nullptr;
};
