#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

#include "MediaFragment.h"

// Puts the fragments of one frame back together. A frame is complete only
// when every fragment with its sequence number has arrived; a fragment of
// another frame abandons a partial one, so no frame is ever delivered with
// bytes left from an older frame. It takes the fragments of one magic only:
// the first sendings or the copies, which each have an assembler of their
// own so that neither abandons the other's partial frame.
class CFrameAssembler {
public:
    enum class Result { Rejected, Pending, Complete };

    explicit CFrameAssembler(std::uint32_t magic = MediaFragment::kMagic);

    Result Add(const std::uint8_t* datagram, int length);

    // The frame completed by the latest Add that returned Complete.
    const std::uint8_t* Frame() const { return m_buffer.data(); }
    int FrameLength() const { return m_frameLength; }
    bool KeyFlag() const { return m_flag == 1; }
    std::uint32_t Sequence() const { return m_deliveredSequence; }

private:
    void Begin(const MediaFragment& fragment);

    const std::uint32_t m_magic;
    std::vector<std::uint8_t> m_buffer;
    std::bitset<MediaFragment::kMaxFragments> m_have;
    bool m_open = false;
    std::uint32_t m_sequence = 0;
    int m_count = 0;
    int m_haveCount = 0;
    int m_lastPayload = 0;
    std::uint16_t m_flag = 0;
    int m_frameLength = 0;
    // Late copies of a delivered frame must not start it again.
    bool m_delivered = false;
    std::uint32_t m_deliveredSequence = 0;
};
