#include "CSoundLink.h"

#include <algorithm>

#include "SoundLinkAddress.h"
#include "SoundLinkGst.h"

CSoundLink::CSoundLink() : m_encoder(this) {}

CSoundLink::~CSoundLink() {
    StopCapture();
    // Calls still open end here too, so no receive or playback thread
    // outlives the objects it uses.
    std::vector<std::unique_ptr<SoundLinkCall>> calls;
    {
        std::lock_guard<std::mutex> guard(m_callsLock);
        calls.swap(m_calls);
    }
    for (auto& call : calls) {
        call->transport->Close();
        call->decoder->Stop();
    }
}

int CSoundLink::SetSessionInfo(int selfId, int peerId, int state) {
    m_selfId = selfId;
    m_peerId = peerId;
    m_state = state;
    return 1;
}

int CSoundLink::SetRemoteAddress(std::wstring remoteAddress, int remotePort) {
    std::lock_guard<std::mutex> guard(m_callsLock);
    if (m_lastCall != nullptr) {
        m_lastCall->transport->SetRemoteAddress(SoundLinkNarrow(remoteAddress), remotePort);
    }
    return 1;
}

int CSoundLink::SetAudioFormat(std::wstring deviceName, int sampleRate, int bitsPerSample,
                               int channels) {
    m_sampleRate = sampleRate;
    m_bitsPerSample = bitsPerSample;
    m_channels = channels;
    if (!deviceName.empty()) {
        m_capture.SetDeviceName(SoundLinkNarrow(deviceName));
    }
    if (sampleRate != 0 && bitsPerSample != 0 && channels != 0) {
        m_capture.SetFormat(sampleRate, bitsPerSample, channels);
    }
    return 1;
}

int CSoundLink::StartCall(std::wstring remoteAddress, int remotePort, std::wstring localAddress,
                          int localPort, int* callId, int startMode) {
    SoundLinkGstReady();
    auto call = std::make_unique<SoundLinkCall>();
    call->decoder = std::make_unique<CAudioDecode>();
    const bool built =
        call->decoder->Build(m_sampleRate, m_bitsPerSample, m_channels, PlaybackOptions());

    call->transport = std::make_unique<CAudioTran>();
    call->transport->SetCallKeys(m_callKeys);
    call->transport->Open(SoundLinkNarrow(remoteAddress), remotePort, SoundLinkNarrow(localAddress),
                          localPort);
    if (startMode != kReceiveOnly) {
        call->transport->SetReceiveTarget(call->decoder.get());
    }
    call->transport->SendRegistration(m_selfId, m_peerId, m_state,
                                      SoundLinkMediaServer::FromConfig());
    call->callId = m_nextCallId++;
    if (callId != nullptr) {
        *callId = call->callId;
    }
    CAudioDecode* decoder = call->decoder.get();
    {
        std::lock_guard<std::mutex> guard(m_callsLock);
        m_lastCall = call.get();
        m_calls.push_back(std::move(call));
    }
    if (!m_captureRunning) {
        if (!m_encoder.Exists()) {
            m_encoder.Create(m_channels, m_sampleRate, m_bitsPerSample,
                             m_encoderKind == SoundLinkEncoder::Libavcodec);
        }
        // The canceller pairs the microphone with the probe by time, so
        // whichever starts first does not matter.
        m_captureRunning = m_encoder.Exists() && RunCapture(decoder->Playback().EchoProbe());
    }
    if (built) {
        decoder->Play();
    }
    return 1;
}

int CSoundLink::StopCall(int callId) {
    std::unique_ptr<SoundLinkCall> stopped;
    {
        std::lock_guard<std::mutex> guard(m_callsLock);
        const auto found = std::find_if(m_calls.begin(), m_calls.end(), [callId](const auto& call) {
            return call->callId == callId;
        });
        if (found != m_calls.end()) {
            stopped = std::move(*found);
            m_calls.erase(found);
            // A stopped call can no longer be redirected.
            if (m_lastCall == stopped.get()) {
                m_lastCall = nullptr;
            }
        }
    }
    bool fedCanceller = false;
    if (stopped) {
        fedCanceller = m_capture.IsCancellingEcho() &&
                       stopped->decoder->Playback().EchoProbe() == m_capture.EchoProbe();
        stopped->transport->Close();
        stopped->decoder->Stop();
        stopped.reset();
    }
    bool empty;
    {
        std::lock_guard<std::mutex> guard(m_callsLock);
        empty = m_calls.empty();
    }
    if (empty && m_captureRunning) {
        StopCapture();
    } else if (fedCanceller && m_captureRunning) {
        MoveCanceller();
    }
    return 1;
}

void CSoundLink::SetEchoCancellation(bool on) {
    m_echoCancellation = on;
}

void CSoundLink::SetMicrophone(std::string sourceName) {
    m_capture.SetDeviceName(sourceName);
}

void CSoundLink::SetSpeaker(std::string sinkName) {
    m_speaker = std::move(sinkName);
}

void CSoundLink::SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) {
    m_callKeys = std::move(keys);
}

void CSoundLink::SetEncoder(SoundLinkEncoder encoder) {
    m_encoderKind = encoder;
}

void CSoundLink::SetNoiseSuppression(bool on) {
    m_capture.SetNoiseSuppression(on);
}

CPlaybackGraph::Options CSoundLink::PlaybackOptions() const {
    CPlaybackGraph::Options options;
    options.echoProbe = m_echoCancellation;
    options.speaker = m_speaker;
    return options;
}

bool CSoundLink::RunCapture(const std::string& echoProbe) {
    m_capture.SetEchoProbe(echoProbe);
    return m_capture.Start() == 1 && m_capture.Run(this);
}

void CSoundLink::MoveCanceller() {
    // Only this thread changes the list, so the call stays while it is used.
    CAudioDecode* next = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_callsLock);
        for (const auto& call : m_calls) {
            if (call->decoder->IsRunning() && !call->decoder->Playback().EchoProbe().empty()) {
                next = call->decoder.get();
                break;
            }
        }
    }
    m_capture.Stop();
    // What its probe gathered while nobody read it is older than anything
    // the microphone records from now on, so the canceller passes it by.
    m_captureRunning = RunCapture(next != nullptr ? next->Playback().EchoProbe() : std::string());
}

void CSoundLink::OnFrame(const std::uint8_t* data, int length) {
    m_encoder.Process(data, length);
}

void CSoundLink::OnAAC(const std::uint8_t* frame, int length) {
    std::lock_guard<std::mutex> guard(m_callsLock);
    for (const auto& call : m_calls) {
        call->transport->SendFrame(frame, length);
    }
}

std::vector<int> CSoundLink::CallIds() const {
    std::lock_guard<std::mutex> guard(m_callsLock);
    std::vector<int> ids;
    for (const auto& call : m_calls) {
        ids.push_back(call->callId);
    }
    return ids;
}

const CAudioTran* CSoundLink::Transport(int callId) const {
    const SoundLinkCall* call = Find(callId);
    return call != nullptr ? call->transport.get() : nullptr;
}

const CAudioDecode* CSoundLink::Decoder(int callId) const {
    const SoundLinkCall* call = Find(callId);
    return call != nullptr ? call->decoder.get() : nullptr;
}

SoundLinkCall* CSoundLink::Find(int callId) const {
    std::lock_guard<std::mutex> guard(m_callsLock);
    for (const auto& call : m_calls) {
        if (call->callId == callId) {
            return call.get();
        }
    }
    return nullptr;
}

void CSoundLink::StopCapture() {
    m_capture.Stop();
    m_encoder.Destroy();
    m_captureRunning = false;
}
