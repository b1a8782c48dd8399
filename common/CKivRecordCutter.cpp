#include "CKivRecordCutter.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t readLength(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

bool signatureMatches(const unsigned char* bytes) {
    return bytes[8] == 0x1C || bytes[9] == 0x1F || bytes[10] == 0x1E || bytes[11] == 0x1D;
}

// What the first `available` bytes of a stream hold: a whole record of the
// returned size, 0 when more bytes are needed, -1 when they can never start
// a valid record.
int judge(const unsigned char* head, int available) {
    if (available < 4) {
        return 0;
    }
    const uint32_t length = readLength(head);
    if (length < static_cast<uint32_t>(CKivRecordCutter::kHeaderSize) ||
        length > static_cast<uint32_t>(CKivRecordCutter::kDeliveryCapacity)) {
        return -1;
    }
    // The signature is judged as soon as its bytes are here, so that a stream
    // that lost its framing is refused without waiting for a whole bogus record.
    if (available >= 12 && !signatureMatches(head)) {
        return -1;
    }
    return static_cast<int>(length) <= available ? static_cast<int>(length) : 0;
}

}  // namespace

CKivRecordCutter::CKivRecordCutter() : m_buffers(std::make_unique<Buffers>()) {}

void CKivRecordCutter::clear() {
    m_start = 0;
    m_count = 0;
    m_recordLength = 0;
    std::memset(m_buffers->delivery, 0, static_cast<size_t>(m_dirty));
    m_dirty = 0;
    m_held = false;
    m_broken = false;
}

void CKivRecordCutter::deliver(const char* record, int size) {
    std::memcpy(m_buffers->delivery, record, static_cast<size_t>(size));
    if (m_dirty > size) {
        std::memset(m_buffers->delivery + size, 0, static_cast<size_t>(m_dirty - size));
    }
    m_dirty = size;
    m_recordLength = size;
}

bool CKivRecordCutter::append(const char* data, int length) {
    if (m_broken || length < 0 || length > kPendingCapacity - m_count) {
        m_broken = true;
        return false;
    }
    if (m_count == 0 && !m_held) {
        const int size = judge(reinterpret_cast<const unsigned char*>(data), length);
        if (size > 0) {
            deliver(data, size);
            m_held = true;
            data += size;
            length -= size;
        }
    }
    if (m_start + m_count + length > kPendingCapacity) {
        std::memmove(m_buffers->pending, m_buffers->pending + m_start,
                     static_cast<size_t>(m_count));
        m_start = 0;
    }
    if (length > 0) {
        std::memcpy(m_buffers->pending + m_start + m_count, data, static_cast<size_t>(length));
    }
    m_count += length;
    return true;
}

CKivRecordCutter::Status CKivRecordCutter::next() {
    if (m_broken) {
        return Status::Broken;
    }
    if (m_held) {
        m_held = false;
        return Status::Delivered;
    }
    const char* head = m_buffers->pending + m_start;
    const int size = judge(reinterpret_cast<const unsigned char*>(head), m_count);
    if (size < 0) {
        m_broken = true;
        return Status::Broken;
    }
    if (size == 0) {
        return Status::NeedMore;
    }
    deliver(head, size);
    m_count -= size;
    m_start = m_count == 0 ? 0 : m_start + size;
    return Status::Delivered;
}
