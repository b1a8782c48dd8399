#include "CallViewController.h"

#include <QtDebug>

#include "CMediaCallKeys.h"
#include "CallViewFreePort.h"
#include "IPictureLink.h"
#include "ISoundLink.h"
#include "KivMediaRecord.h"
#include "KivWindowMessage.h"
#include "MediaKeyTail.h"

namespace {

constexpr int kKindHello = 1;
constexpr int kKindHangUp = 2;
constexpr int kKindRequest = 10;
constexpr int kKindPorts = 11;
constexpr int kVideoWidth = 320;
constexpr int kVideoHeight = 240;
constexpr int kSampleRate = 32000;
constexpr int kSampleBits = 16;
constexpr int kChannels = 2;
constexpr int kStarterWatchMs = 1000;
constexpr int kSecurityWatchMs = 200;
const wchar_t* const kLoopback = L"127.0.0.1";

std::wstring Wide(const char* text) {
    return QString::fromLocal8Bit(text).toStdWString();
}

}  // namespace

CallViewController::CallViewController(const CallViewCommandLine& commandLine, Sessions sessions,
                                       Messenger messenger, CallViewFreePort& ports,
                                       QByteArray ownAddress, QObject* parent)
    : QObject(parent),
      m_commandLine(commandLine),
      m_sessions(sessions),
      m_messenger(std::move(messenger)),
      m_ports(ports),
      m_ownAddress(std::move(ownAddress)) {
    KivInitRecord(m_record, Media);
    connect(&m_starterWatch, &QTimer::timeout, this, &CallViewController::WatchStarter);
    connect(&m_securityWatch, &QTimer::timeout, this, &CallViewController::WatchSecurity);
}

CallViewController::~CallViewController() = default;

void CallViewController::UseKeys(std::shared_ptr<CMediaCallKeys> keys) {
    m_keys = keys;
    if (m_sessions.useKeys) {
        m_sessions.useKeys(std::move(keys));
    }
}

void CallViewController::Start(std::uintptr_t localWindow, std::uintptr_t remoteWindow) {
    m_localWindow = localWindow;
    m_remoteWindow = remoteWindow;
    const quint64 starter = m_commandLine.starterWindow();
    m_messenger.send(starter, kKindHello, QByteArray(1, '\0'));
    // Each send waits for its answer, and the call may have ended meanwhile.
    if (m_finished) {
        return;
    }
    if (starter != 0) {
        m_starterWatch.start(kStarterWatchMs);
    }
    if (m_commandLine.isCallingSide()) {
        StartCalling();
    }
}

// The calling side points its calls at loopback until the answer names the
// peer; nothing goes out before the answer brings the peer's key (or says
// there is none).
void CallViewController::StartCalling() {
    const int self = m_commandLine.selfId();
    const int peer = m_commandLine.peerId();
    UseKeys(CMediaCallKeys::ForCaller(std::uint32_t(self), std::uint32_t(peer)));
    // Each port stays held until just before its session binds it; the one
    // above it, where the stream points meanwhile, until the answer.
    const int videoPort = m_ports.ReservePair();
    m_ports.Release(videoPort);
    m_loopbackVideoPort = videoPort + 1;
    if (m_sessions.video != nullptr) {
        m_sessions.video->SetVideoFormat(std::wstring(), kVideoWidth, kVideoHeight);
        m_sessions.video->SetSessionInfo(self, peer, 1);
        m_sessions.video->StartCall(m_localWindow, m_remoteWindow, kLoopback, videoPort + 1,
                                    std::wstring(), videoPort, &m_videoCallId);
    }
    const int audioPort = m_ports.ReservePair();
    m_ports.Release(audioPort);
    m_loopbackAudioPort = audioPort + 1;
    if (m_sessions.audio != nullptr) {
        m_sessions.audio->SetAudioFormat(std::wstring(), kSampleRate, kSampleBits, kChannels);
        m_sessions.audio->StartCall(kLoopback, audioPort + 1, std::wstring(), audioPort,
                                    &m_audioCallId, 0);
    }
    ptl_sys_send_per_media request;
    KivInitRecord(request, Media);
    request.callerUid = std::uint32_t(self);
    request.calleeUid = std::uint32_t(peer);
    request.state = KivMediaRequest;
    KivWriteText(request.addressA, sizeof(request.addressA), m_ownAddress.constData(),
                 m_ownAddress.size());
    MediaKeyTail::Write(request.addressA, m_keys->OwnTail());
    request.videoPortA = std::uint32_t(videoPort);
    ptl_sys_send_per_media ports;
    KivInitRecord(ports, Media);
    ports.videoPortA = std::uint32_t(audioPort);  // the client reads audio port A here
    Report(request, ports);
}

void CallViewController::Report(const ptl_sys_send_per_media& request,
                                const ptl_sys_send_per_media& ports) {
    const quint64 starter = m_commandLine.starterWindow();
    if (m_finished) {
        return;
    }
    m_messenger.send(starter, kKindRequest, KivMediaToMessage(request));
    if (!m_finished) {
        m_messenger.send(starter, kKindPorts, KivMediaToMessage(ports));
    }
}

void CallViewController::OnWindowMessage(const KivWindowMessage& message) {
    if (m_finished || message.message != KivWmCopyData || message.kind == 0 ||
        message.data.isEmpty()) {
        return;
    }
    // Other programs of the user could otherwise end or steer the call.
    const qint64 starter = m_commandLine.starterPid();
    if (starter == 0 || message.senderPid != starter) {
        if (!m_foreignSenderLogged) {
            m_foreignSenderLogged = true;
            qWarning(
                "CallView: a window message from process %lld is ignored; only the "
                "starting client (%lld) is heard",
                static_cast<long long>(message.senderPid), static_cast<long long>(starter));
        }
        return;
    }
    if (message.kind == kKindHangUp) {
        // The other side ended the call; the starter knows already.
        StopCalls();
        m_finished = true;
        emit Finished(0);
        return;
    }
    if (KivMessageCommand(message.data) != Media) {
        StopCalls();
        m_finished = true;
        emit Finished(0);
        return;
    }
    ptl_sys_send_per_media record;
    if (!KivMediaFromMessage(message.data, &record)) {
        return;
    }
    m_record = record;
    QMetaObject::invokeMethod(this, &CallViewController::ApplyRecord, Qt::QueuedConnection);
}

// The called side starts its calls from the first state 2 record; the
// calling side redirects its calls once, to the answer's second address.
// Anything after that one record is ignored: it could only divert the media.
void CallViewController::ApplyRecord() {
    if (m_finished) {
        return;
    }
    const ptl_sys_send_per_media record = m_record;
    const bool calling = m_commandLine.isCallingSide();
    if (m_answered || calling == (record.state == KivMediaAccepted)) {
        qWarning("CallView: a further media record (state %u) is ignored; the call keeps its peer",
                 unsigned(record.state));
        return;
    }
    m_answered = true;
    if (calling) {
        Answered(record);
    } else {
        Called(record);
    }
}

void CallViewController::Called(const ptl_sys_send_per_media& record) {
    const int first = int(record.callerUid);
    const int second = int(record.calleeUid);
    const int state = int(record.state);
    UseKeys(CMediaCallKeys::ForCallee(record.callerUid, record.calleeUid,
                                      MediaKeyTail::Read(record.addressA)));
    if (RefuseInsecure()) {
        return;
    }
    const int videoPort = m_ports.Reserve();
    m_ports.Release(videoPort);
    if (m_sessions.video != nullptr) {
        m_sessions.video->SetVideoFormat(std::wstring(), kVideoWidth, kVideoHeight);
        m_sessions.video->SetSessionInfo(first, second, state);
        m_sessions.video->StartCall(m_localWindow, m_remoteWindow, Wide(record.addressA),
                                    int(record.videoPortA), std::wstring(), videoPort,
                                    &m_videoCallId);
    }
    const int audioPort = m_ports.Reserve();
    m_ports.Release(audioPort);
    if (m_sessions.audio != nullptr) {
        m_sessions.audio->SetAudioFormat(std::wstring(), kSampleRate, kSampleBits, kChannels);
        m_sessions.audio->SetSessionInfo(first, second, state);
        m_sessions.audio->StartCall(Wide(record.addressA), int(record.audioPortA), std::wstring(),
                                    audioPort, &m_audioCallId, 0);
    }
    ptl_sys_send_per_media answer = record;
    KivFillHeader(answer.head, Media, sizeof(answer));
    KivWriteText(answer.addressB, sizeof(answer.addressB), m_ownAddress.constData(),
                 m_ownAddress.size());
    MediaKeyTail::Write(answer.addressB, m_keys->OwnTail());
    answer.videoPortB = std::uint32_t(videoPort);
    ptl_sys_send_per_media ports;
    KivInitRecord(ports, Media);
    ports.videoPortB = std::uint32_t(audioPort);  // becomes audio port B
    ports.audioPortA = record.audioPortA;
    Report(answer, ports);
    WatchSecurity();
}

void CallViewController::Answered(const ptl_sys_send_per_media& record) {
    const int first = int(record.callerUid);
    const int second = int(record.calleeUid);
    const int state = int(record.state);
    // The keys come before the new destination, so the first datagram there is sealed.
    if (m_keys) {
        m_keys->TakeAnswer(MediaKeyTail::Read(record.addressB));
    }
    if (RefuseInsecure()) {
        return;
    }
    if (m_sessions.video != nullptr) {
        m_sessions.video->SetVideoFormat(std::wstring(), kVideoWidth, kVideoHeight);
        m_sessions.video->SetSessionInfo(first, second, state);
        m_sessions.video->SetRemoteAddress(Wide(record.addressB), int(record.videoPortB));
    }
    if (m_sessions.audio != nullptr) {
        m_sessions.audio->SetAudioFormat(std::wstring(), kSampleRate, kSampleBits, kChannels);
        m_sessions.audio->SetSessionInfo(first, second, state);
        m_sessions.audio->SetRemoteAddress(Wide(record.addressB), int(record.audioPortB));
    }
    ReleaseLoopback();
    WatchSecurity();
}

CallViewController::Security CallViewController::CallSecurity() const {
    if (!m_keys) {
        return Security::Agreeing;
    }
    switch (m_keys->GetState()) {
        case CMediaCallKeys::State::Encrypted:
            return Security::Encrypted;
        case CMediaCallKeys::State::Plain:
            return Security::Plain;
        case CMediaCallKeys::State::Failed:
            return Security::Failed;
        default:
            return Security::Agreeing;
    }
}

QString CallViewController::ShortCode() const {
    return m_keys ? QString::fromStdString(m_keys->ShortCode()) : QString();
}

QString CallViewController::SecurityText() const {
    switch (CallSecurity()) {
        case Security::Encrypted:
            return tr("已加密  安全码 %1").arg(ShortCode());
        case Security::Plain:
            return tr("未加密");
        case Security::Failed:
            return tr("加密失败");
        default:
            return tr("正在建立加密…");
    }
}

void CallViewController::WatchSecurity() {
    const Security now = CallSecurity();
    if (now != m_shownSecurity) {
        m_shownSecurity = now;
        emit SecurityChanged();
    }
    if (now == Security::Agreeing && !m_finished) {
        if (!m_securityWatch.isActive()) {
            m_securityWatch.start(kSecurityWatchMs);
        }
    } else {
        m_securityWatch.stop();
    }
}

bool CallViewController::RefuseInsecure() {
    const Security security = CallSecurity();
    if (security == Security::Failed) {
        Refuse(tr("无法为这次通话建立加密，通话已结束。"));
        return true;
    }
    if (security == Security::Plain && m_encryptedOnly) {
        Refuse(tr("对方的通话不能加密。您设置了仅允许加密通话，通话已结束。"));
        return true;
    }
    return false;
}

void CallViewController::Refuse(const QString& message) {
    m_finished = true;
    StopCalls();
    m_securityWatch.stop();
    m_messenger.send(m_commandLine.starterWindow(), kKindHangUp, QByteArray(1, '\0'));
    emit SecurityChanged();
    emit Refused(message);
}

void CallViewController::ReleaseLoopback() {
    m_ports.Release(m_loopbackVideoPort);
    m_ports.Release(m_loopbackAudioPort);
    m_loopbackVideoPort = 0;
    m_loopbackAudioPort = 0;
}

void CallViewController::StopCalls() {
    m_starterWatch.stop();
    m_securityWatch.stop();
    ReleaseLoopback();
    if (m_sessions.video != nullptr && m_videoCallId >= 0) {
        m_sessions.video->StopCall(m_videoCallId);
    }
    if (m_sessions.audio != nullptr && m_audioCallId >= 0) {
        m_sessions.audio->StopCall(m_audioCallId);
    }
    m_videoCallId = -1;
    m_audioCallId = -1;
}

void CallViewController::HangUp() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    StopCalls();
    m_messenger.send(m_commandLine.starterWindow(), kKindHangUp, QByteArray(1, '\0'));
    emit Finished(0);
}

void CallViewController::WatchStarter() {
    if (!m_finished && !m_messenger.exists(m_commandLine.starterWindow())) {
        m_finished = true;
        StopCalls();
        emit Finished(0);
    }
}
