#include "CVoicePlayout.h"

#include <algorithm>

namespace {

// One decoded frame: room for 2048 samples (HE-AAC) resampled up to eight
// times (an 8 kHz peer of a 64 kHz call), two channels.
constexpr int kDecodedSamples = 2048 * 8 * 2;

}  // namespace

void CVoicePlayout::Configure(int sampleRate, int channels, std::int64_t leadUs, Decoder decoder) {
    m_rate = std::max(sampleRate, 1);
    m_channels = std::max(channels, 1);
    m_decoder = std::move(decoder);
    m_buffer.Configure(std::int64_t(kFrameSamples) * 1000000 / m_rate, leadUs);
    m_stretch.Configure(m_rate, m_channels);
    m_decoded.resize(kDecodedSamples);
    m_shortened = 0;
    m_lengthened = 0;
    m_madeUpFrames = 0;
    m_behindUs = 0;
    m_averageUs = 0;
}

void CVoicePlayout::Put(std::uint32_t sequence, const std::uint8_t* frame, int length,
                        std::int64_t arrivalUs, bool copy) {
    m_buffer.Put(sequence, frame, length, arrivalUs, copy);
}

std::int64_t CVoicePlayout::HeldUs() const {
    return std::int64_t(m_stretch.HeldFrames()) * 1000000 / m_rate;
}

void CVoicePlayout::Pull(std::int64_t nowUs, std::int16_t* out, int count) {
    count -= count % m_channels;
    if (out == nullptr || count <= 0) {
        return;
    }
    const int wanted = count / m_channels;
    while (m_stretch.HeldFrames() < wanted) {
        TakeNext(nowUs, wanted);
    }
    Keep(nowUs);
    const int taken = m_stretch.Pop(out, count);
    std::fill(out + taken, out + count, std::int16_t(0));
}

void CVoicePlayout::TakeNext(std::int64_t nowUs, int wanted) {
    CPlayoutBuffer::Turn turn;
    const int missing = wanted - m_stretch.HeldFrames();
    switch (m_buffer.Take(nowUs + HeldUs(), &m_frame, &turn)) {
        case CPlayoutBuffer::Next::Frame: {
            const int samples =
                m_decoder ? m_decoder(m_frame.data(), static_cast<int>(m_frame.size()),
                                      m_decoded.data(), static_cast<int>(m_decoded.size()))
                          : 0;
            if (samples >= m_channels) {
                m_stretch.Append(m_decoded.data(), samples, turn.spliced);
            } else {
                m_madeUpFrames += m_stretch.Extend(kFrameSamples);
            }
            break;
        }
        case CPlayoutBuffer::Next::Prime:
            // Only the decoder's memory of the stream matters: its sound was made up.
            if (m_decoder) {
                m_decoder(m_frame.data(), static_cast<int>(m_frame.size()), m_decoded.data(),
                          static_cast<int>(m_decoded.size()));
            }
            break;
        case CPlayoutBuffer::Next::Conceal:
            m_madeUpFrames += m_stretch.Extend(kFrameSamples);
            break;
        case CPlayoutBuffer::Next::Wait:
            // The sound goes on, made up, until the next frame is due.
            m_madeUpFrames += m_stretch.Extend(missing);
            break;
        case CPlayoutBuffer::Next::Silence:
            m_stretch.Silence(missing);
            break;
    }
}

void CVoicePlayout::Keep(std::int64_t nowUs) {
    // The speaker asks in uneven steps: the distance is averaged over about
    // ten pieces before the sound is stretched for it.
    const std::int64_t behind = m_buffer.Behind(nowUs + HeldUs());
    m_averageUs += (behind - m_averageUs) / kAveragePieces;
    m_behindUs = m_averageUs;
    // A step may not carry the sound past the tolerance on the other side,
    // or it would swing back and forth.
    const auto room = [this](std::int64_t us) {
        return static_cast<int>((us + kToleranceUs) * m_rate / 1000000);
    };
    int changed = 0;
    if (m_averageUs > kToleranceUs) {
        changed = -m_stretch.Shorten(room(m_averageUs));
        m_shortened += changed < 0 ? 1 : 0;
    } else if (m_averageUs < -kToleranceUs && !m_stretch.MadeUp()) {
        changed = m_stretch.Lengthen(room(-m_averageUs));
        m_lengthened += changed > 0 ? 1 : 0;
    }
    m_averageUs += std::int64_t(changed) * 1000000 / m_rate;
}

CVoicePlayout::Figures CVoicePlayout::GetFigures() const {
    Figures figures;
    figures.buffer = m_buffer.Figures();
    figures.shortened = m_shortened;
    figures.lengthened = m_lengthened;
    figures.madeUpMs = m_madeUpFrames * 1000 / static_cast<std::uint64_t>(m_rate);
    figures.behindUs = m_behindUs;
    return figures;
}
