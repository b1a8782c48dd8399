#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CSpeakerTimeline.h"
#include "CSpeakerUnderruns.h"
#include "CVoicePlayout.h"
#include "GstOwner.h"
#include "INetSourcePull.h"

class INetSourceControl;

// The playback of one call: the network source in PCM mode, converted and
// resampled to the speaker (PulseAudio), with an echo probe before the
// speaker when echo cancellation is on. Received frames wait in the voice
// playout; the source's streaming thread, each time the source is about to
// send a 10 ms chunk, pulls that chunk from the playout (decoded and
// stretched to its schedule right then), so no sound waits ahead of the
// speaker. With an echo probe, the chunks carry the times they are heard, on
// the clock the microphone shares.
class CPlaybackGraph : public INetSourcePull {
public:
    struct Format {
        int sampleRate = 0;
        int bitsPerSample = 0;
        int channels = 0;
    };
    struct Options {
        // Feed an echo probe of its own, for the microphone's canceller.
        bool echoProbe = false;
        // A PulseAudio sink; empty, or missing, plays to the default one.
        std::string speaker;
    };
    using Decoder = CVoicePlayout::Decoder;

    static constexpr int kChunkMs = 10;
    // The speaker's buffer and its write period, in microseconds. The short
    // one is for calls without echo cancellation; when the speaker keeps
    // running dry with it (a busy machine, no real-time priority), the
    // playback moves to the roomier one. The canceller always gets the
    // roomier one: the speaker's server runs dry more often with the short
    // one on a slow machine, each time shifting what the canceller hears
    // against what it was told, and it then lets the echo through.
    static constexpr int kSinkBufferUs = 10000;
    static constexpr int kSinkPeriodUs = 5000;
    static constexpr int kRoomySinkBufferUs = 20000;
    static constexpr int kRoomySinkPeriodUs = 10000;

    CPlaybackGraph() = default;
    ~CPlaybackGraph();
    CPlaybackGraph(const CPlaybackGraph&) = delete;
    CPlaybackGraph& operator=(const CPlaybackGraph&) = delete;

    // Builds the pipeline; false (logged) when a piece is missing. A speaker
    // that cannot be found gives way to the default one.
    bool Build(const Format& format, const Options& options, Decoder decoder);
    // False (logged) when the pipeline does not reach PLAYING, on the chosen
    // speaker nor on the default one.
    bool Run();
    // Stops and releases the pipeline; the streaming thread has ended when it returns.
    void Stop();

    // Receive thread: one whole frame with its sequence number, the time it
    // arrived (steady clock, microseconds) and whether that was its copy.
    void Put(std::uint32_t sequence, const std::uint8_t* frame, int length, std::int64_t arrivalUs,
             bool copy);
    // The steady clock the arrival times and the schedule are read on.
    static std::int64_t NowUs();
    CVoicePlayout::Figures Figures() const { return m_playout.GetFigures(); }
    // The echo probe the microphone's canceller reads, "" when there is none.
    const std::string& EchoProbe() const { return m_probeName; }
    // The sink playing now, "" for the default one.
    const std::string& Speaker() const { return m_speaker; }
    // Whether the speaker moved to the roomier buffer.
    bool IsRoomy() const { return m_roomy.load(); }
    // A move to the roomier buffer on its way (for the thread that makes it).
    struct Resize;

    // When a chunk leaving the source is heard and how long it lasts, in
    // microseconds of the shared clock; atUs is -1 without an echo probe.
    struct Heard {
        std::int64_t atUs = -1;
        std::int64_t durationUs = 0;
    };
    // Streaming thread: a chunk of chunkBytes has left the source. Reads
    // nothing of the graph outside the refill lock, so that Stop, which takes
    // that lock once the streaming thread ended, is ordered after all of it.
    Heard Refill(int chunkBytes);
    // Streaming thread: the source is about to send a chunk; the same lock.
    void OnPull(int chunkBytes) override;

private:
    bool BuildPipeline(const Format& format, bool echoProbe, const std::string& speaker);
    bool Play();
    std::int64_t DurationUs(int chunkBytes) const;
    // Streaming thread: asks for the roomier speaker buffer, which a thread
    // of GStreamer's puts in place (the streaming thread cannot stop itself).
    void MakeRoomier();

    GstOwner<GstElement> m_pipeline;
    GstOwner<GstElement> m_source;
    // The source pad's chunk probe, removed before the pipeline stops.
    GstOwner<GstPad> m_chunkPad;
    unsigned long m_chunkProbe = 0;
    Format m_format;
    bool m_echoProbe = false;
    std::string m_probeName;
    std::string m_speaker;
    // Held by Refill; Stop takes it after the pipeline stopped, so the end of
    // the streaming thread's last Refill is ordered before the teardown (the
    // join inside GStreamer is invisible to the thread checker).
    std::mutex m_refillLock;
    INetSourceControl* m_control = nullptr;
    CVoicePlayout m_playout;
    // Shared with a resize that may still be on its way when the graph stops.
    std::shared_ptr<Resize> m_resize;
    std::atomic<bool> m_roomy{false};

    // Streaming thread only.
    // A chunk leaving waits for the speaker to take it, then plays out the
    // speaker's buffer.
    CSpeakerTimeline m_timeline{kSinkPeriodUs + kSinkBufferUs};
    CSpeakerUnderruns m_underruns{kChunkMs * 1000 + kSinkBufferUs + kSinkPeriodUs};
    std::vector<std::int16_t> m_chunk;
};
