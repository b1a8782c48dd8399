#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Puts the fragments of one frame back together and hands on complete frames
// only. Fragments arrive in any order; a frame still missing pieces when a
// newer one begins is dropped, and older frames arriving late are ignored.
class CPictureReassembler {
public:
    using FrameSink = std::function<void(const std::uint8_t* frame, int length)>;

    explicit CPictureReassembler(FrameSink sink);

    void Add(const std::uint8_t* datagram, int length);

    std::uint64_t DroppedFrames() const { return m_dropped; }

private:
    void Begin(std::uint32_t sequence, int count);

    FrameSink m_sink;
    std::vector<std::uint8_t> m_frame;
    std::vector<bool> m_have;
    bool m_started = false;
    bool m_delivered = false;
    std::uint32_t m_sequence = 0;
    int m_count = 0;
    int m_received = 0;
    int m_length = 0;
    std::uint64_t m_dropped = 0;
};
