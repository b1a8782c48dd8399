#pragma once

#include <cstdint>
#include <vector>

#include "CPlaybackQueue.h"
#include "GstOwner.h"

class INetSourceControl;

// The playback of one call: the network source in PCM mode, converted and
// resampled to the speaker (PulseAudio). Decoded PCM waits in a bounded
// queue; the source's streaming thread tops up the source's own ring from it
// one 10 ms chunk at a time, so the sound ahead of the speaker stays a few
// chunks long.
class CPlaybackGraph {
public:
    struct Format {
        int sampleRate = 0;
        int bitsPerSample = 0;
        int channels = 0;
    };

    // Chunks kept in the source's ring, ready for the speaker.
    static constexpr int kRingChunks = 2;
    // Sound kept in hand beyond the ring when the backlog is trimmed.
    static constexpr int kKeepMs = 20;
    // Backlog that stays unplayed this long is trimmed.
    static constexpr int kTrimWindowMs = 1000;
    // Hard bound of the queue; more pushes the oldest out at once.
    static constexpr int kQueueLimitMs = 200;
    // The speaker's buffer and its write period, in microseconds.
    static constexpr int kSinkBufferUs = 40000;
    static constexpr int kSinkPeriodUs = 10000;

    CPlaybackGraph() = default;
    ~CPlaybackGraph();
    CPlaybackGraph(const CPlaybackGraph&) = delete;
    CPlaybackGraph& operator=(const CPlaybackGraph&) = delete;

    // Builds the pipeline; false (logged) when a piece is missing.
    bool Build(const Format& format);
    // False (logged) when the pipeline does not reach PLAYING.
    bool Run();
    // Stops and releases the pipeline; the streaming thread has ended when it returns.
    void Stop();

    // Any thread.
    void Push(const std::uint8_t* pcm, int length);
    const CPlaybackQueue& Queue() const { return m_queue; }

    // Streaming thread: a chunk of chunkBytes is leaving the source.
    void Refill(int chunkBytes);

private:
    GstOwner<GstElement> m_pipeline;
    GstOwner<GstElement> m_source;
    INetSourceControl* m_control = nullptr;
    CPlaybackQueue m_queue;
    int m_bytesPerMs = 0;

    // Streaming thread only.
    int m_ringHeld = 0;
    int m_windowMin = 0;
    int m_windowChunks = 0;
    std::vector<std::uint8_t> m_scratch;
};
