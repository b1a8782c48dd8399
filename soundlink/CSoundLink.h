#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "CAudioCapture.h"
#include "CAudioEncode.h"
#include "IAACEvent.h"
#include "IFrameEvent.h"
#include "ISoundLink.h"
#include "ISoundLinkSetup.h"
#include "SoundLinkCall.h"

// The audio session: one capture and encoder for all calls, one transport
// and decoder per call.
//
// Threads: the caller's (every ISoundLink operation), the capture streaming
// thread (OnFrame, OnAAC and the sends of every call), and each call's
// receive and playback threads. m_callsLock guards the call list against the
// fan-out; a call leaves the list before its transport stops, so no frame is
// being sent to it when it is destroyed.
//
// With echo cancellation on, every call's playback has an echo probe and the
// microphone's canceller reads the probe of the oldest call; when that call
// ends, the canceller moves to the next one.
class CSoundLink : public ISoundLink, public ISoundLinkSetup, public IFrameEvent, public IAACEvent {
public:
    static constexpr int kReceiveOnly = 101;

    CSoundLink();
    ~CSoundLink();
    CSoundLink(const CSoundLink&) = delete;
    CSoundLink& operator=(const CSoundLink&) = delete;

    int SetSessionInfo(int selfId, int peerId, int state) override;
    int SetRemoteAddress(std::wstring remoteAddress, int remotePort) override;
    int SetAudioFormat(std::wstring deviceName, int sampleRate, int bitsPerSample,
                       int channels) override;
    int StartCall(std::wstring remoteAddress, int remotePort, std::wstring localAddress,
                  int localPort, int* callId, int startMode) override;
    int StopCall(int callId) override;

    void SetEchoCancellation(bool on) override;
    void SetMicrophone(std::string sourceName) override;
    void SetSpeaker(std::string sinkName) override;
    void SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) override;
    void SetEncoder(SoundLinkEncoder encoder) override;
    void SetNoiseSuppression(bool on) override;

    void OnFrame(const std::uint8_t* data, int length) override;
    void OnAAC(const std::uint8_t* frame, int length) override;

    // For the caller's thread: what the session holds now.
    bool IsCapturing() const { return m_captureRunning; }
    bool HasEncoder() const { return m_encoder.Exists(); }
    std::vector<int> CallIds() const;
    const CAudioCapture& Capture() const { return m_capture; }
    // The call's transport and decoder while it is open, else null.
    const CAudioTran* Transport(int callId) const;
    const CAudioDecode* Decoder(int callId) const;

private:
    SoundLinkCall* Find(int callId) const;
    void StopCapture();
    // Runs the capture, its canceller reading echoProbe; false when it does not run.
    bool RunCapture(const std::string& echoProbe);
    // The canceller's call ended: the next call with a probe feeds it.
    void MoveCanceller();
    CPlaybackGraph::Options PlaybackOptions() const;

    CAudioCapture m_capture;
    CAudioEncode m_encoder;
    mutable std::mutex m_callsLock;
    std::vector<std::unique_ptr<SoundLinkCall>> m_calls;
    int m_nextCallId = 0;
    int m_sampleRate = 0;
    int m_bitsPerSample = 0;
    int m_channels = 0;
    bool m_captureRunning = false;
    int m_selfId = 0;
    int m_peerId = 0;
    int m_state = 1;
    SoundLinkCall* m_lastCall = nullptr;
    bool m_echoCancellation = true;
    std::string m_speaker;
    std::shared_ptr<CMediaCallKeys> m_callKeys;
    SoundLinkEncoder m_encoderKind = SoundLinkEncoder::LowDelay;
};
