#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "CPlaybackGraph.h"
#include "IRecvEvent.h"

// The receiving end of one call: AAC frames decoded to PCM and played.
class CAudioDecode : public IRecvEvent {
public:
    static constexpr int kPcmBytes = 10240;

    CAudioDecode();
    ~CAudioDecode();
    CAudioDecode(const CAudioDecode&) = delete;
    CAudioDecode& operator=(const CAudioDecode&) = delete;

    // Stops, takes the format, creates the AAC decoder and the PCM buffer,
    // then builds and runs the playback; false (logged) when playback does
    // not run, and frames are then dropped.
    bool Setup(int sampleRate, int bitsPerSample, int channels);
    // Ends playback and frees the AAC decoder. Call after the transport
    // stopped delivering.
    void Stop();

    void OnRecv(const std::uint8_t* frame, int length, bool keyFlag) override;

    bool IsRunning() const { return m_running.load(); }
    std::uint64_t FramesDecoded() const { return m_framesDecoded.load(); }
    const CPlaybackGraph& Playback() const { return m_playback; }

private:
    CPlaybackGraph::Format m_format{16000, 16, 2};
    std::atomic<bool> m_running{false};
    void* m_decoder = nullptr;
    std::vector<std::uint8_t> m_pcm;
    bool m_decoderFlag = false;
    CPlaybackGraph m_playback;
    std::atomic<std::uint64_t> m_framesDecoded{0};
};
