#pragma once

#include <atomic>
#include <cstdint>

#include "CPlaybackGraph.h"
#include "IRecvEvent.h"

// The receiving end of one call: AAC frames wait in the playback's playout
// buffer and are decoded to PCM when their turn to play comes.
class CAudioDecode : public IRecvEvent {
public:
    CAudioDecode();
    ~CAudioDecode();
    CAudioDecode(const CAudioDecode&) = delete;
    CAudioDecode& operator=(const CAudioDecode&) = delete;

    // Stops, takes the format, creates the AAC decoder and builds the
    // playback; false (logged) when the playback cannot be built.
    bool Build(int sampleRate, int bitsPerSample, int channels,
               const CPlaybackGraph::Options& options);
    // Runs what Build made; false (logged) when playback does not run, and
    // frames are then dropped.
    bool Play();
    // Ends playback and frees the AAC decoder. Call after the transport
    // stopped delivering.
    void Stop();

    void OnRecv(std::uint32_t sequence, const std::uint8_t* frame, int length, bool keyFlag,
                std::int64_t arrivalUs, bool copy) override;

    bool IsRunning() const { return m_running.load(); }
    std::uint64_t FramesDecoded() const { return m_framesDecoded.load(); }
    const CPlaybackGraph& Playback() const { return m_playback; }

private:
    // Playback thread.
    int Decode(const std::uint8_t* frame, int length, std::uint8_t* pcm, int capacity);

    CPlaybackGraph::Format m_format{16000, 16, 2};
    std::atomic<bool> m_running{false};
    void* m_decoder = nullptr;
    bool m_decoderFlag = false;
    CPlaybackGraph m_playback;
    std::atomic<std::uint64_t> m_framesDecoded{0};
};
