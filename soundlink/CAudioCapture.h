#pragma once

#include <mutex>
#include <string>

#include "GstOwner.h"
#include "IFrameEvent.h"
#include "IRenderSampleEvent.h"

// The microphone: a PulseAudio source converted to the session format and
// handed, 10 ms at a time, to the sink (the session) on the pipeline's
// streaming thread. With an echo probe named, the sound first goes through
// the canceller (echo cancellation, noise suppression, gain control), which
// takes away what that probe saw going to the speaker.
class CAudioCapture : public IRenderSampleEvent {
public:
    static constexpr const char* kDeviceMissing =
        "Audio device is not found! Use the default device!";
    // The source's buffer and its read period, in microseconds. A longer
    // buffer would keep a stalled thread's sound, but it then arrives with
    // times that no longer say when it was recorded, and the canceller,
    // which pairs it with the speaker by those times, lets the echo through
    // until the backlog is gone; the sound threads run real-time instead.
    static constexpr int kSourceBufferUs = 20000;
    static constexpr int kSourcePeriodUs = 10000;

    CAudioCapture() = default;
    ~CAudioCapture();
    CAudioCapture(const CAudioCapture&) = delete;
    CAudioCapture& operator=(const CAudioCapture&) = delete;

    void SetFormat(int sampleRate, int bitsPerSample, int channels);
    // A PulseAudio source name; empty takes the default source.
    void SetDeviceName(const std::string& name);
    // The echo probe the canceller reads; empty captures without a canceller.
    // Takes effect at the next Start.
    void SetEchoProbe(const std::string& probeName);
    // Whether the canceller also suppresses noise (on by default); its
    // suppressor holds the sound back about 10 ms. Takes effect at the next Start.
    void SetNoiseSuppression(bool on) { m_noiseSuppression = on; }

    // Builds the pipeline; 1 built, 0 failed (logged).
    int Start();
    // Sets the sink and plays; false (logged) when the pipeline does not run.
    bool Run(IFrameEvent* sink);
    // Stops and releases the pipeline; no OnFrame runs after it returns.
    void Stop();

    void OnRenderSample(const std::uint8_t* data, int length) override;

    bool IsRunning() const { return m_running; }
    const std::string& LastError() const { return m_lastError; }
    int SampleRate() const { return m_sampleRate; }
    int BitsPerSample() const { return m_bitsPerSample; }
    int Channels() const { return m_channels; }
    const std::string& DeviceName() const { return m_deviceName; }
    const std::string& EchoProbe() const { return m_echoProbe; }
    // Whether the running pipeline holds the canceller.
    bool IsCancellingEcho() const { return m_cancelling; }

private:
    enum class Search { Found, Empty, Failed };
    // Finds the source to capture from: the named one, else the default.
    Search FindDevice(bool byName, GstOwner<GstDevice>* device);
    GstElement* MakeSource();
    // The canceller behind source, or source itself when there is none.
    GstElement* AddCanceller(GstElement* pipeline, GstElement* source);

    GstOwner<GstElement> m_pipeline;
    bool m_running = false;
    std::string m_lastError;
    int m_sampleRate = 22050;
    int m_bitsPerSample = 16;
    int m_channels = 2;
    std::string m_deviceName;
    std::string m_echoProbe;
    bool m_noiseSuppression = true;
    bool m_cancelling = false;
    // Set before the pipeline plays and cleared after it stopped; the lock
    // orders the streaming thread's last hand-over before the teardown.
    std::mutex m_sinkLock;
    IFrameEvent* m_sink = nullptr;
};
