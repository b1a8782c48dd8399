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

}  // namespace

CKivRecordCutter::CKivRecordCutter()
    : m_pending(new char[kPendingCapacity]), m_delivery(new char[kDeliveryCapacity]()) {}

void CKivRecordCutter::clear() {
    m_start = 0;
    m_count = 0;
    m_recordLength = 0;
    std::memset(m_delivery.get(), 0, static_cast<size_t>(m_dirty));
    m_dirty = 0;
    m_broken = false;
}

bool CKivRecordCutter::append(const char* data, int length) {
    if (m_broken || length < 0 || length > kPendingCapacity - m_count) {
        m_broken = true;
        return false;
    }
    if (m_start + m_count + length > kPendingCapacity) {
        std::memmove(m_pending.get(), m_pending.get() + m_start, static_cast<size_t>(m_count));
        m_start = 0;
    }
    if (length > 0) {
        std::memcpy(m_pending.get() + m_start + m_count, data, static_cast<size_t>(length));
    }
    m_count += length;
    return true;
}

CKivRecordCutter::Status CKivRecordCutter::next() {
    if (m_broken) {
        return Status::Broken;
    }
    if (m_count < 4) {
        return Status::NeedMore;
    }
    const auto* head = reinterpret_cast<const unsigned char*>(m_pending.get() + m_start);
    const uint32_t length = readLength(head);
    if (length < static_cast<uint32_t>(kHeaderSize) ||
        length > static_cast<uint32_t>(kDeliveryCapacity)) {
        m_broken = true;
        return Status::Broken;
    }
    // The signature is judged as soon as its bytes are here, so that a stream
    // that lost its framing is refused without waiting for a whole bogus record.
    if (m_count >= 12 && !signatureMatches(head)) {
        m_broken = true;
        return Status::Broken;
    }
    const int size = static_cast<int>(length);
    if (size > m_count) {
        return Status::NeedMore;
    }
    std::memcpy(m_delivery.get(), head, length);
    if (m_dirty > size) {
        std::memset(m_delivery.get() + size, 0, static_cast<size_t>(m_dirty - size));
    }
    m_dirty = size;
    m_recordLength = size;
    m_count -= size;
    m_start = m_count == 0 ? 0 : m_start + size;
    return Status::Delivered;
}
