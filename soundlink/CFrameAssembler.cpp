#include "CFrameAssembler.h"

#include <cstring>

CFrameAssembler::CFrameAssembler(std::uint32_t magic)
    : m_magic(magic), m_buffer(MediaFragment::kMaxFrame) {}

CFrameAssembler::Result CFrameAssembler::Add(const std::uint8_t* datagram, int length) {
    if (datagram == nullptr || length < MediaFragment::kHeaderBytes ||
        length > MediaFragment::kMaxDatagram) {
        return Result::Rejected;
    }
    const MediaFragment fragment = MediaFragment::ReadFrom(datagram);
    const int payload = length - MediaFragment::kHeaderBytes;
    const bool last = fragment.index + 1 == fragment.count;
    // Every fragment but the last is full, so a frame has no holes.
    if (fragment.magic != m_magic || fragment.payloadLength != payload || payload == 0 ||
        fragment.count == 0 || fragment.count > MediaFragment::kMaxFragments ||
        fragment.index >= fragment.count || (!last && payload != MediaFragment::kMaxPayload)) {
        return Result::Rejected;
    }
    if (m_delivered && fragment.sequence == m_deliveredSequence) {
        return Result::Pending;
    }
    if (!m_open || fragment.sequence != m_sequence || fragment.count != m_count) {
        Begin(fragment);
    }
    if (m_have.test(fragment.index)) {
        return Result::Pending;
    }
    std::memcpy(m_buffer.data() + static_cast<size_t>(fragment.index) * MediaFragment::kMaxPayload,
                datagram + MediaFragment::kHeaderBytes, static_cast<size_t>(payload));
    m_have.set(fragment.index);
    ++m_haveCount;
    if (last) {
        m_lastPayload = payload;
        m_flag = fragment.flag;
    }
    if (m_haveCount < m_count) {
        return Result::Pending;
    }
    m_frameLength = (m_count - 1) * MediaFragment::kMaxPayload + m_lastPayload;
    m_open = false;
    m_delivered = true;
    m_deliveredSequence = m_sequence;
    return Result::Complete;
}

void CFrameAssembler::Begin(const MediaFragment& fragment) {
    m_open = true;
    m_sequence = fragment.sequence;
    m_count = fragment.count;
    m_have.reset();
    m_haveCount = 0;
    m_lastPayload = 0;
    m_flag = 0;
}
