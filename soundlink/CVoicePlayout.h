#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "CPlayoutBuffer.h"
#include "CVoiceStretch.h"

// The sound of one call on its way from the network to the speaker: frames
// wait in the playout buffer until the speaker asks for sound, are decoded
// then, and the decoded sound is stretched by whole pitch periods so that it
// keeps to the buffer's schedule: shorter when it runs behind, longer when
// it runs ahead or the next frame is not here yet. A lost frame is made up
// from the sound before it; one that comes after its turn still goes
// through the decoder. Nothing here waits or reads a clock: the caller says
// what time it is, so a test can run a call on a clock of its own.
//
// Put on the receive thread; Pull on the playback thread.
class CVoicePlayout {
public:
    // Decodes one frame into pcm (capacity samples); the samples produced, 0 for none.
    using Decoder =
        std::function<int(const std::uint8_t* frame, int length, std::int16_t* pcm, int capacity)>;

    // Samples per channel in one frame of the encoder.
    static constexpr int kFrameSamples = 1024;
    // The schedule is kept to within this; beyond it the sound is stretched,
    // one period for each piece the speaker takes.
    static constexpr std::int64_t kToleranceUs = 4000;
    static constexpr std::int64_t kAveragePieces = 8;

    struct Figures {
        CPlayoutBuffer::Counters buffer;
        std::uint64_t shortened = 0;   // periods left out
        std::uint64_t lengthened = 0;  // periods repeated
        std::uint64_t madeUpMs = 0;    // sound made up for frames not here
        std::int64_t behindUs = 0;     // off the schedule at the last pull
    };

    // Forgets everything; leadUs is how long before it starts to play the
    // speaker asks for sound (one piece).
    void Configure(int sampleRate, int channels, std::int64_t leadUs, Decoder decoder);
    void Put(std::uint32_t sequence, const std::uint8_t* frame, int length, std::int64_t arrivalUs,
             bool copy = false);
    // Fills out with count samples (all channels) that start to play about
    // leadUs after nowUs.
    void Pull(std::int64_t nowUs, std::int16_t* out, int count);

    Figures GetFigures() const;

private:
    std::int64_t HeldUs() const;
    void TakeNext(std::int64_t nowUs, int wanted);
    void Keep(std::int64_t nowUs);

    int m_rate = 32000;
    int m_channels = 2;
    Decoder m_decoder;
    CPlayoutBuffer m_buffer;

    // Playback thread only.
    CVoiceStretch m_stretch;
    std::vector<std::uint8_t> m_frame;
    std::vector<std::int16_t> m_decoded;
    // Written there, read by anyone.
    std::atomic<std::uint64_t> m_shortened{0};
    std::atomic<std::uint64_t> m_lengthened{0};
    std::atomic<std::uint64_t> m_madeUpFrames{0};
    std::atomic<std::int64_t> m_behindUs{0};
    std::int64_t m_averageUs = 0;
};
