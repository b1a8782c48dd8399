#include "CKivRecordCutter.h"

#include <algorithm>
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
    m_borrowed = nullptr;
    m_borrowedLength = 0;
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

void CKivRecordCutter::copyToPending(const char* data, int length) {
    if (m_start + m_count + length > kPendingCapacity) {
        std::memmove(m_buffers->pending, m_buffers->pending + m_start,
                     static_cast<size_t>(m_count));
        m_start = 0;
    }
    if (length > 0) {
        std::memcpy(m_buffers->pending + m_start + m_count, data, static_cast<size_t>(length));
    }
    m_count += length;
}

void CKivRecordCutter::keepBorrowed() {
    copyToPending(m_borrowed, m_borrowedLength);
    m_borrowed = nullptr;
    m_borrowedLength = 0;
}

int CKivRecordCutter::bytesToComplete(const char* data, int length) const {
    unsigned char head[4] = {};
    const int known = std::min(m_count, 4);
    std::memcpy(head, m_buffers->pending + m_start, static_cast<size_t>(known));
    if (known + length < 4) {
        return length;
    }
    std::memcpy(head + known, data, static_cast<size_t>(4 - known));
    const uint32_t size = readLength(head);
    // An invalid length, or pending bytes that hold more than the start of one
    // record (the caller appended twice without cutting): everything is kept.
    if (size < static_cast<uint32_t>(kHeaderSize) ||
        size > static_cast<uint32_t>(kDeliveryCapacity) || static_cast<int>(size) <= m_count) {
        return length;
    }
    return std::min(length, static_cast<int>(size) - m_count);
}

bool CKivRecordCutter::append(const char* data, int length) {
    if (m_broken || length < 0 || length > kPendingCapacity - pending()) {
        m_broken = true;
        return false;
    }
    keepBorrowed();
    // A record begun in an earlier read takes only the bytes that complete it;
    // the records after it are cut from the caller's bytes.
    const int copied = m_count == 0 ? 0 : bytesToComplete(data, length);
    copyToPending(data, copied);
    m_borrowed = data + copied;
    m_borrowedLength = length - copied;
    return true;
}

CKivRecordCutter::Status CKivRecordCutter::next() {
    if (m_broken) {
        return Status::Broken;
    }
    const bool borrowed = m_count == 0 && m_borrowedLength > 0;
    const char* head = borrowed ? m_borrowed : m_buffers->pending + m_start;
    const int size =
        judge(reinterpret_cast<const unsigned char*>(head), borrowed ? m_borrowedLength : m_count);
    if (size < 0) {
        m_broken = true;
        return Status::Broken;
    }
    if (size == 0) {
        const bool joined = !borrowed && m_borrowedLength > 0;
        keepBorrowed();
        // Bytes that followed an incomplete pending record now extend it.
        return joined ? next() : Status::NeedMore;
    }
    deliver(head, size);
    if (borrowed) {
        m_borrowed += size;
        m_borrowedLength -= size;
    } else {
        m_count -= size;
        m_start = m_count == 0 ? 0 : m_start + size;
    }
    return Status::Delivered;
}
