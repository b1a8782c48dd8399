#include "CPictureLink.h"

#include <QtDebug>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "CPictureCall.h"
#include "CPictureCapture.h"
#include "KivUdpSocket.h"

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
    }
    return narrow;
}

std::uint32_t AddressOf(const std::wstring& text) {
    std::uint32_t address = 0;
    return KivUdpSocket::parseIPv4(Narrow(text).c_str(), &address) ? address : 0;
}

}  // namespace

CPictureLink::CPictureLink() = default;

CPictureLink::~CPictureLink() {
    if (m_reporter.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_reporterLock);
            m_reporterStop = true;
        }
        m_reporterWake.notify_all();
        m_reporter.join();
    }
    m_capture.reset();
    std::lock_guard<std::mutex> lock(m_callsLock);
    m_calls.clear();
}

int CPictureLink::SetSessionInfo(int selfId, int peerId, int state) {
    m_selfId = selfId;
    m_peerId = peerId;
    m_state = state;
    return 1;
}

int CPictureLink::SetRemoteAddress(std::wstring remoteAddress, int remotePort) {
    {
        std::lock_guard<std::mutex> lock(m_callsLock);
        if (m_calls.empty() || !m_calls.back()->transport) {
            return 1;
        }
        m_calls.back()->transport->SetRemote(AddressOf(remoteAddress), remotePort);
    }
    if (m_capture) {
        m_capture->ForceKeyFrame();
    }
    return 1;
}

void CPictureLink::SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) {
    m_callKeys = std::move(keys);
}

int CPictureLink::SetVideoFormat(std::wstring deviceName, int width, int height) {
    if (!deviceName.empty()) {
        m_device = Narrow(deviceName);
    }
    // The stamp needs 256 pixels across; encoders want even sizes.
    if (width >= 256 && height >= 16 && width <= 4096 && height <= 4096) {
        m_width = width & ~1;
        m_height = height & ~1;
    }
    return 1;
}

int CPictureLink::StartCall(std::uintptr_t localWindow, std::uintptr_t remoteWindow,
                            std::wstring remoteAddress, int remotePort, std::wstring, int localPort,
                            int* callId) {
    auto call = std::make_unique<CPictureCall>();
    call->player = std::make_unique<CPicturePlayer>(remoteWindow, m_width, m_height);
    if (auto socket = KivUdpSocket::bindAny(localPort)) {
        CPicturePlayer* player = call->player.get();
        call->transport = std::make_unique<CPictureTransport>(
            std::move(socket),
            [player](const std::uint8_t* frame, int length) { player->Push(frame, length); },
            m_callKeys);
        call->transport->SetRemote(AddressOf(remoteAddress), remotePort);
    } else {
        qWarning("PictureLink: UDP port %d is taken; the call sends and receives nothing",
                 localPort);
    }
    {
        std::lock_guard<std::mutex> lock(m_callsLock);
        call->id = m_nextCallId++;
        if (callId != nullptr) {
            *callId = call->id;
        }
        m_calls.push_back(std::move(call));
    }
    if (!m_capture) {
        m_capture = std::make_unique<CPictureCapture>(
            [this](const std::uint8_t* frame, int length) { OnEncoded(frame, length); });
    }
    StartReporting();
    if (!m_capture->IsRunning()) {
        m_capture->Start(m_device, m_width, m_height, localWindow);
    } else {
        m_capture->ForceKeyFrame();
    }
    return 1;
}

int CPictureLink::StopCall(int callId) {
    std::unique_ptr<CPictureCall> stopped;
    bool empty = false;
    {
        std::lock_guard<std::mutex> lock(m_callsLock);
        const auto found = std::find_if(
            m_calls.begin(), m_calls.end(),
            [callId](const std::unique_ptr<CPictureCall>& c) { return c->id == callId; });
        if (found != m_calls.end()) {
            stopped = std::move(*found);
            m_calls.erase(found);
        }
        empty = m_calls.empty();
    }
    // Torn down outside the lock: the transport joins its thread, which may
    // be pushing into the player.
    stopped.reset();
    if (empty && m_capture) {
        m_capture->Stop();
    }
    return 1;
}

void CPictureLink::OnEncoded(const std::uint8_t* frame, int length) {
    std::lock_guard<std::mutex> lock(m_callsLock);
    for (const auto& call : m_calls) {
        if (call->transport) {
            call->transport->SendFrame(frame, length);
        }
    }
}

void CPictureLink::StartReporting() {
    const char* seconds = std::getenv("KIV_PICTURELINK_FIGURES");
    if (seconds == nullptr || m_reporter.joinable()) {
        return;
    }
    const auto interval = std::chrono::seconds(std::max(1, std::atoi(seconds)));
    m_reporter = std::thread([this, interval] {
        std::unique_lock<std::mutex> lock(m_reporterLock);
        while (!m_reporterWake.wait_for(lock, interval, [this] { return m_reporterStop; })) {
            ReportFigures();
        }
    });
}

void CPictureLink::ReportFigures() {
    std::lock_guard<std::mutex> lock(m_callsLock);
    for (const auto& call : m_calls) {
        CPicturePlayer::Figures figures = call->player->TakeFigures();
        std::sort(figures.delaysMs.begin(), figures.delaysMs.end());
        const long median =
            figures.delaysMs.empty() ? -1 : long(figures.delaysMs[figures.delaysMs.size() / 2]);
        std::fprintf(stderr, "picturelink-figures pid=%d call=%d frames=%llu median-delay-ms=%ld\n",
                     int(getpid()), call->id, static_cast<unsigned long long>(figures.frames),
                     median);
    }
}
