#include "CNetSourcePin.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "INetSourceControl.h"

namespace {

constexpr int kAudioMode = 101;
constexpr int kMaxSampleRate = 192000;
constexpr int kMaxChannels = 8;
// How long an inactive or idle pin waits before it repeats its sample.
constexpr std::chrono::milliseconds kIdleWait(30);
// How long a decoding pin waits for a new picture before it repeats one.
constexpr int kPictureWaitMs = 1000;

bool IsQueuedMode(int mode) {
    return mode == 2 || mode == 3;
}

}  // namespace

CNetSourcePin::CNetSourcePin() = default;

CNetSourcePin::~CNetSourcePin() = default;

std::int32_t CNetSourcePin::SetVideoMode(int mode, int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        return INetSourceControl::kFail;
    }
    int bits = 0;
    bool active = false;
    int previous = 0;
    {
        std::lock_guard<std::mutex> guard(m_settingsLock);
        previous = m_settings.mode;
        m_settings.mode = mode;
        m_settings.width = width;
        m_settings.height = height;
        if (mode == 11 || mode == 12) {
            m_settings.bitsPerPixel = mode == 11 ? 24 : 32;
        }
        bits = m_settings.bitsPerPixel;
        active = m_settings.active;
    }
    // A unit larger than a sample could never be delivered.
    m_queue.SetUnitLimit(Format().SampleBytes());
    std::int32_t result = INetSourceControl::kOk;
    switch (mode) {
        case 1:
        case 3:
            if (!m_decode.Setup(width, height, bits, active)) {
                result = INetSourceControl::kFail;
            }
            if (mode == 3) {
                m_queue.Reset();
            }
            break;
        case 2:
            m_queue.Reset();
            break;
        case 11:
        case 12:
            m_raw.Configure(width * height * bits / 8);
            break;
        default:
            break;
    }
    if (IsQueuedMode(previous) && !IsQueuedMode(mode)) {
        m_queue.Reset();
    }
    // A fill still waiting in the old mode returns and sees the new one.
    Wake();
    return result;
}

std::int32_t CNetSourcePin::PushData(const std::uint8_t* data, int length,
                                     [[maybe_unused]] int reserved1, int reserved2) {
    if (m_dropPushes) {
        return INetSourceControl::kOk;
    }
    if (length < 0 || (length > 0 && data == nullptr)) {
        return INetSourceControl::kFail;
    }
    const Settings settings = Snapshot();
    switch (settings.mode) {
        case 1:
            m_decode.Push(data, length);
            break;
        case 2:
            if (!Queue(data, length, reserved2)) {
                return INetSourceControl::kFail;
            }
            m_wake.Set();
            break;
        case 3:
            if (settings.active && !Queue(data, length, reserved2)) {
                return INetSourceControl::kFail;
            }
            break;
        case 11:
        case 12:
            if (!m_raw.Store(data, length)) {
                return INetSourceControl::kFail;
            }
            m_wake.Set();
            break;
        case kAudioMode:
            m_ring.Push(data, length);
            break;
        default:
            break;
    }
    return INetSourceControl::kOk;
}

std::int32_t CNetSourcePin::SetActive(std::uint8_t active) {
    const bool on = active != 0;
    int mode = 0;
    {
        std::lock_guard<std::mutex> guard(m_settingsLock);
        if (m_settings.active == on) {
            return INetSourceControl::kOk;
        }
        m_settings.active = on;
        mode = m_settings.mode;
    }
    if (mode == 1) {
        m_decode.SetActive(on);
    } else if (IsQueuedMode(mode) && on) {
        m_queue.Reset();
    }
    return INetSourceControl::kOk;
}

std::int32_t CNetSourcePin::SetAudioMode(int mode, int sampleRate, int bitsPerSample, int channels,
                                         int bufferSize) {
    const bool knownBits =
        bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
    if (!knownBits || sampleRate < 1 || sampleRate > kMaxSampleRate || channels < 1 ||
        channels > kMaxChannels) {
        return INetSourceControl::kFail;
    }
    // 10 ms of sound, cut to whole sample frames so no chunk splits one.
    const int frameBytes = bitsPerSample / 8 * channels;
    int chunkBytes = sampleRate * bitsPerSample * channels / 800;
    chunkBytes -= chunkBytes % frameBytes;
    if (chunkBytes < frameBytes) {
        return INetSourceControl::kFail;
    }
    int previous = 0;
    {
        std::lock_guard<std::mutex> guard(m_settingsLock);
        previous = m_settings.mode;
        m_settings.mode = mode;
        m_settings.sampleRate = sampleRate;
        m_settings.bitsPerSample = bitsPerSample;
        m_settings.channels = channels;
        m_settings.bufferSize = bufferSize;
        m_settings.chunkBytes = chunkBytes;
    }
    if (mode == kAudioMode) {
        m_ring.Configure(chunkBytes, bitsPerSample == 8 ? 0x80 : 0x00);
    }
    if (IsQueuedMode(previous)) {
        m_queue.Reset();
    }
    Wake();
    return INetSourceControl::kOk;
}

int CNetSourcePin::Mode() const {
    std::lock_guard<std::mutex> guard(m_settingsLock);
    return m_settings.mode;
}

NetSourceFormat CNetSourcePin::Format() const {
    const Settings settings = Snapshot();
    NetSourceFormat format;
    if (settings.mode >= kAudioMode) {
        format.kind = NetSourceFormat::Kind::Audio;
        format.sampleRate = settings.sampleRate;
        format.bitsPerSample = settings.bitsPerSample;
        format.channels = settings.channels;
        format.chunkBytes = settings.chunkBytes;
        return format;
    }
    format.kind = settings.mode == 2 ? NetSourceFormat::Kind::CompressedVideo
                                     : NetSourceFormat::Kind::RawVideo;
    format.width = settings.width;
    format.height = settings.height;
    format.bitsPerPixel = settings.bitsPerPixel;
    format.frameDuration = settings.frameDuration;
    return format;
}

void CNetSourcePin::DecideBufferSize(CNetSourceSample& sample) const {
    sample.Resize(Format().SampleBytes());
}

CNetSourcePin::Fill CNetSourcePin::FillBuffer(CNetSourceSample& sample) {
    if (m_stopping) {
        sample.SetDataLength(0);
        return Fill::Stopping;
    }
    const Settings settings = Snapshot();
    Fill fill = Fill::Nothing;
    switch (settings.mode) {
        case 1:
            fill = FillDecoded(sample, settings);
            break;
        case 2:
            fill = FillQueued(sample);
            break;
        case 3:
            fill = FillQueuedDecoded(sample);
            break;
        case 11:
        case 12:
            fill = FillRaw(sample, settings);
            break;
        case kAudioMode:
            fill = FillPcm(sample, settings);
            break;
        default:
            fill = Idle();
            break;
    }
    return m_stopping ? Fill::Stopping : fill;
}

void CNetSourcePin::BeginStop() {
    m_stopping = true;
    m_queue.Release();
    Wake();
}

void CNetSourcePin::EndStop() {
    m_stopping = false;
    m_wake.Reset();
    m_queue.Resume();
}

void CNetSourcePin::Wake() {
    m_wake.Set();
    m_decode.WakeWaiter();
}

void CNetSourcePin::ResetQueue() {
    if (IsQueuedMode(Mode())) {
        m_queue.Reset();
    }
}

// False for a unit the queue refuses (too large for a sample, or no memory for
// it); a full slot is no error, the unit is dropped.
bool CNetSourcePin::Queue(const std::uint8_t* data, int length, int tag) {
    const CFrameQueue::PushResult result = m_queue.Push(data, length, tag);
    return result != CFrameQueue::PushResult::TooLarge &&
           result != CFrameQueue::PushResult::NoMemory;
}

CNetSourcePin::Settings CNetSourcePin::Snapshot() const {
    std::lock_guard<std::mutex> guard(m_settingsLock);
    return m_settings;
}

CNetSourcePin::Fill CNetSourcePin::FillDecoded(CNetSourceSample& sample, const Settings& settings) {
    if (!m_decode.IsActive()) {
        return Idle();
    }
    m_decode.WaitFrame(kPictureWaitMs);
    const int imageBytes = settings.width * settings.height * settings.bitsPerPixel / 8;
    const int frameBytes = m_decode.FrameBytes();
    if (std::min(sample.Size(), imageBytes) == frameBytes &&
        m_decode.CopyFrame(sample.Data(), sample.Size())) {
        sample.SetDataLength(frameBytes);
    }
    return Fill::Delivered;
}

CNetSourcePin::Fill CNetSourcePin::FillQueued(CNetSourceSample& sample) {
    int tag = 0;
    if (!m_queue.Pop(m_unit, tag)) {
        return Fill::Nothing;
    }
    // A unit larger than the sample cannot be delivered whole.
    if (m_unit.size() > static_cast<size_t>(sample.Size())) {
        return Fill::Nothing;
    }
    std::memcpy(sample.Data(), m_unit.data(), m_unit.size());
    sample.SetDataLength(static_cast<int>(m_unit.size()));
    return Fill::Delivered;
}

CNetSourcePin::Fill CNetSourcePin::FillQueuedDecoded(CNetSourceSample& sample) {
    int tag = 0;
    if (!m_queue.Pop(m_unit, tag)) {
        return Fill::Nothing;
    }
    if (m_decode.DecodeInto(m_unit.data(), static_cast<int>(m_unit.size()), sample.Data(),
                            sample.Size())) {
        sample.SetDataLength(m_decode.FrameBytes());
    }
    return Fill::Delivered;
}

CNetSourcePin::Fill CNetSourcePin::FillRaw(CNetSourceSample& sample, const Settings& settings) {
    m_wake.Wait();
    if (m_stopping) {
        return Fill::Stopping;
    }
    const Settings now = Snapshot();
    if (now.mode != settings.mode || now.width != settings.width || now.height != settings.height ||
        now.bitsPerPixel != settings.bitsPerPixel) {
        // Woken by a mode change: keep the wake-up for the fill in the new
        // format, which may already have its first frame.
        m_wake.Set();
        return Fill::Nothing;
    }
    if (m_raw.CopyTo(sample.Data(), sample.Size())) {
        sample.SetDataLength(m_raw.Size());
    }
    return Fill::Delivered;
}

CNetSourcePin::Fill CNetSourcePin::FillPcm(CNetSourceSample& sample, const Settings& settings) {
    const int bytes = std::min(sample.Size(), settings.chunkBytes);
    if (INetSourcePull* pull = m_pull.load()) {
        pull->OnPull(bytes);
    }
    m_ring.ReadChunk(sample.Data(), bytes);
    sample.SetDataLength(bytes);
    return Fill::Delivered;
}

CNetSourcePin::Fill CNetSourcePin::Idle() {
    std::this_thread::sleep_for(kIdleWait);
    return Fill::Delivered;
}
