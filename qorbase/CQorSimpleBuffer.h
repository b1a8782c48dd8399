#pragma once

#include <cstddef>

// A growable byte buffer with separate read and write positions: bytes are appended at the
// write position and consumed from the read position.
//
// Growth is geometric: the capacity starts at 64 bytes and doubles until the request fits, so a
// run of appends costs amortised constant time per byte. The memory is never shrunk; Reset()
// only rewinds both positions. Allocation failures are reported as false and leave the buffer
// unchanged.
class CQorSimpleBuffer {
public:
    CQorSimpleBuffer() = default;
    ~CQorSimpleBuffer();
    CQorSimpleBuffer(const CQorSimpleBuffer&) = delete;
    CQorSimpleBuffer& operator=(const CQorSimpleBuffer&) = delete;

    // Makes room for at least `size` bytes in total.
    bool Reserve(std::size_t size);
    // Appends `length` bytes at the write position, growing as needed. The source may lie in
    // this buffer.
    bool Write(const void* data, std::size_t length);
    // Copies `length` bytes from the read position; refused when fewer are readable.
    bool Read(void* data, std::size_t length);
    // Consumes `length` bytes without copying; refused when fewer are readable.
    bool SkipRead(std::size_t length);
    // Whether the pointer lies in this buffer's memory.
    bool Contains(const void* pointer) const;
    // Rewinds the read and write positions to 0; the memory is kept.
    void Reset();

    unsigned char* GetData() const { return m_data; }
    std::size_t GetCapacity() const { return m_capacity; }
    std::size_t GetReadPos() const { return m_readPos; }
    std::size_t GetWritePos() const { return m_writePos; }
    // Bytes written but not yet read.
    std::size_t GetReadable() const { return m_writePos - m_readPos; }

private:
    unsigned char* m_data = nullptr;
    std::size_t m_capacity = 0;
    std::size_t m_readPos = 0;
    std::size_t m_writePos = 0;
};
