#pragma once

#include <cstdint>
#include <mutex>
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
    static constexpr int kRingChunks = 1;
    // A backlog that never fell below kTrimAboveMs during a whole window in
    // which the speaker never ran dry is trimmed to kKeepMs: after a burst of
    // late packets, not at every wobble (each trim is a small jump in the
    // sound), and not while the network's jitter needs the backlog.
    static constexpr int kKeepMs = 10;
    static constexpr int kTrimAboveMs = 20;
    static constexpr int kTrimWindowMs = 2000;
    // Hard bound of the queue; more pushes the oldest out at once.
    static constexpr int kQueueLimitMs = 200;
    // The speaker's buffer and its write period, in microseconds.
    static constexpr int kSinkBufferUs = 20000;
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
    // Held by Refill; Stop takes it after the pipeline stopped, so the end of
    // the streaming thread's last Refill is ordered before the teardown.
    std::mutex m_refillLock;
    INetSourceControl* m_control = nullptr;
    CPlaybackQueue m_queue;
    int m_bytesPerMs = 0;

    // Streaming thread only.
    int m_ringHeld = 0;
    int m_windowMin = 0;
    int m_windowChunks = 0;
    bool m_windowDry = false;
    std::vector<std::uint8_t> m_scratch;
};
