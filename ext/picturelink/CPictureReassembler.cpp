#include "CPictureReassembler.h"

#include <cstring>

#include "PictureFragment.h"

namespace {

// A sender that starts again counts from 0; so far back is taken as a restart
// rather than as a late frame.
constexpr std::int32_t kRestartDistance = 1000;

}  // namespace

CPictureReassembler::CPictureReassembler(FrameSink sink) : m_sink(std::move(sink)) {
    m_frame.resize(PictureFragment::kMaxFrameBytes);
}

void CPictureReassembler::Begin(std::uint32_t sequence, int count) {
    if (m_started && !m_delivered) {
        ++m_dropped;
    }
    m_started = true;
    m_delivered = false;
    m_sequence = sequence;
    m_count = count;
    m_received = 0;
    m_length = 0;
    m_have.assign(size_t(count), false);
}

void CPictureReassembler::Add(const std::uint8_t* datagram, int length) {
    PictureFragment::Head head;
    if (!PictureFragment::Parse(datagram, length, &head)) {
        return;
    }
    const auto distance = static_cast<std::int32_t>(head.sequence - m_sequence);
    if (!m_started || distance > 0 || distance < -kRestartDistance) {
        Begin(head.sequence, head.count);
    } else if (distance < 0 || m_delivered) {
        return;
    }
    if (head.count != m_count || m_have[head.index]) {
        return;
    }
    m_have[head.index] = true;
    std::memcpy(m_frame.data() + head.index * PictureFragment::kPayloadBytes,
                datagram + PictureFragment::kHeadBytes, head.payload);
    if (head.index + 1 == head.count) {
        m_length = head.index * PictureFragment::kPayloadBytes + head.payload;
    }
    if (++m_received == m_count) {
        m_delivered = true;
        m_sink(m_frame.data(), m_length);
    }
}
