#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "CAutoEvent.h"
#include "CDecodeState.h"
#include "CFrameQueue.h"
#include "CNetSourceSample.h"
#include "CPcmRing.h"
#include "CRawFrame.h"
#include "INetSourcePull.h"
#include "NetSourceFormat.h"

// The source's output: takes what the owner pushes in the current mode and
// fills one sample at a time on the streaming thread. Pictures keep the
// bottom-up row order the owner pushes and the decoder writes.
class CNetSourcePin {
public:
    enum class Fill { Delivered, Nothing, Stopping };

    // Largest picture side a mode accepts.
    static constexpr int kMaxSide = 4096;

    CNetSourcePin();
    ~CNetSourcePin();
    CNetSourcePin(const CNetSourcePin&) = delete;
    CNetSourcePin& operator=(const CNetSourcePin&) = delete;

    std::int32_t SetVideoMode(int mode, int width, int height);
    std::int32_t PushData(const std::uint8_t* data, int length, int reserved1, int reserved2);
    std::int32_t SetActive(std::uint8_t active);
    std::int32_t SetAudioMode(int mode, int sampleRate, int bitsPerSample, int channels,
                              int bufferSize);

    int Mode() const;
    NetSourceFormat Format() const;
    void DecideBufferSize(CNetSourceSample& sample) const;

    // Fills the sample for the current mode. Delivered: send the sample
    // (possibly unchanged); Nothing: no sample this time; Stopping: streaming
    // is being stopped.
    Fill FillBuffer(CNetSourceSample& sample);

    // Stopping (a stop, a pause or a flush): every waiting fill returns.
    void BeginStop();
    void EndStop();
    // Pushes are dropped from a stop of the filter until it runs again; a
    // pause or a flush keeps them.
    void DropPushes(bool drop) { m_dropPushes = drop; }
    // Wakes a fill waiting for a raw frame or a decoded picture.
    void Wake();
    // Empties the frame queue in the queued modes.
    void ResetQueue();
    // Asked for each PCM chunk before it is read; null: chunks are read as pushed.
    void SetPull(INetSourcePull* pull) { m_pull = pull; }
    INetSourcePull* Pull() const { return m_pull; }

private:
    bool Queue(const std::uint8_t* data, int length, int tag);
    struct Settings {
        int mode = 101;
        int width = 1280;
        int height = 1024;
        int bitsPerPixel = 24;
        std::int64_t frameDuration = 400000;
        int sampleRate = 16000;
        int bitsPerSample = 16;
        int channels = 1;
        int bufferSize = 1024;
        int chunkBytes = 320;
        bool active = false;
    };

    Settings Snapshot() const;
    Fill FillDecoded(CNetSourceSample& sample, const Settings& settings);
    Fill FillQueued(CNetSourceSample& sample);
    Fill FillQueuedDecoded(CNetSourceSample& sample);
    Fill FillRaw(CNetSourceSample& sample, const Settings& settings);
    Fill FillPcm(CNetSourceSample& sample, const Settings& settings);
    Fill Idle();

    mutable std::mutex m_settingsLock;
    Settings m_settings;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_dropPushes{false};
    std::atomic<INetSourcePull*> m_pull{nullptr};
    CAutoEvent m_wake;
    CRawFrame m_raw;
    CFrameQueue m_queue;
    CDecodeState m_decode;
    CPcmRing m_ring;
    std::vector<std::uint8_t> m_unit;
};
