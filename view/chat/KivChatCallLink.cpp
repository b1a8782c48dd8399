#include "chat/KivChatCallLink.h"

#include <QWidget>
#include <QtDebug>

#include "CKivSession.h"
#include "KivMediaRecord.h"
#include "KivWindowMessage.h"
#include "chat/KivCallProgram.h"
#include "chat/KivWindowWatch.h"

namespace {

constexpr quint32 kKindHello = 1;
constexpr quint32 kKindHangUp = 2;
constexpr quint32 kKindRequest = 10;
constexpr quint32 kKindPorts = 11;
constexpr int kHangUpTimeoutMs = 2000;
// How long the call window program may take to show its window.
constexpr int kStartGraceMs = 20000;

}  // namespace

KivChatCallLink::KivChatCallLink(QWidget* dialog, CKivSession& session)
    : QObject(dialog), m_session(session) {
    m_messages = new KivMessageWindow(
        KivWindowIdFor(quint64(dialog->winId())),
        [this](const KivWindowMessage& message) { OnWindowMessage(message); }, this);
    m_watch = new KivWindowWatch(this);
    connect(m_watch, &KivWindowWatch::Gone, this, &KivChatCallLink::CallWindowEnded);
}

KivChatCallLink::~KivChatCallLink() = default;

void KivChatCallLink::SetUsers(quint32 ownId, quint32 friendId) {
    m_ownId = ownId;
    m_friendId = friendId;
}

quint64 KivChatCallLink::MessageWindowId() const {
    return m_messages->id();
}

bool KivChatCallLink::Open() {
    Forget();
    const qint64 pid = KivStartCallProgram(
        {QStringLiteral("--device=%1").arg(MessageWindowId()),
         QStringLiteral("--me=%1").arg(m_ownId), QStringLiteral("--to=%1").arg(m_friendId)},
        m_session.User().account);
    if (pid == 0) {
        return false;
    }
    ExpectCallWindowFrom(pid);
    return true;
}

void KivChatCallLink::ExpectCallWindowFrom(qint64 pid) {
    Forget();
    m_callPid = pid;
    m_watch->WatchProcess(pid, kStartGraceMs);
}

void KivChatCallLink::Forget() {
    m_watch->Stop();
    m_callWindow = 0;
    m_callPid = 0;
    m_requestPending = false;
    m_requestSent = false;
    m_answered = false;
}

bool KivChatCallLink::FromCallWindow(const KivWindowMessage& message) const {
    return m_callPid != 0 && message.senderPid == m_callPid &&
           (m_callWindow == 0 || message.wParam == m_callWindow);
}

bool KivChatCallLink::IsOwnCall(const ptl_sys_send_per_media& media) const {
    return m_callWindow != 0 && media.callerUid == m_ownId && media.calleeUid == m_friendId;
}

void KivChatCallLink::OnWindowMessage(const KivWindowMessage& message) {
    if (message.message != KivWmCopyData || !FromCallWindow(message)) {
        return;
    }
    ptl_sys_send_per_media record;
    switch (message.kind) {
        case kKindHello:
            if (message.wParam == 0) {
                break;
            }
            m_callWindow = message.wParam;
            m_watch->Watch(m_callWindow);
            break;
        case kKindHangUp:
            CallWindowEnded();
            break;
        case kKindRequest:
            if (KivMediaFromMessage(message.data, &record)) {
                m_request = KivMediaRequestFrom(record);
                m_requestPending = true;
            }
            break;
        case kKindPorts:
            if (m_requestPending && KivMediaFromMessage(message.data, &record)) {
                KivMediaTakeAudioPort(m_request, record);
                m_requestPending = false;
                // A call request is no message to keep for later: the call ends.
                if (!m_session.SendCall(m_request, KivMediaState(m_request.state))) {
                    EndCallWindow();
                    emit RequestNotSent();
                    break;
                }
                m_requestSent = true;
            }
            break;
        default:
            break;
    }
}

void KivChatCallLink::CallWindowEnded() {
    const bool sent = m_requestSent;
    const ptl_sys_send_per_media closed = m_request;
    Forget();
    if (sent)
        m_session.SendCall(closed, KivMediaClosedByCaller);
    emit CallEnded();
}

void KivChatCallLink::EndCallWindow() {
    const quint64 window = m_callWindow;
    // Forgotten first: the hang-up waits, and what arrives meanwhile is no
    // longer this call's.
    Forget();
    if (window != 0) {
        KivSendMessage(window, kKindHangUp, MessageWindowId(), QByteArray(1, '\0'),
                       kHangUpTimeoutMs);
    }
    emit CallEnded();
}

void KivChatCallLink::Declined(const ptl_sys_send_per_media& media) {
    if (IsOwnCall(media)) {
        EndCallWindow();
    }
}

void KivChatCallLink::Accepted(const ptl_sys_send_per_media& media) {
    if (!IsOwnCall(media)) {
        return;
    }
    // One answer per call: a second could only divert the call's media.
    if (m_answered) {
        qWarning("A second answer to the running call is ignored");
        return;
    }
    m_answered = true;
    KivSendMessage(m_callWindow, kKindHello, MessageWindowId(),
                   KivMediaToMessage(KivMediaWithState(media, KivMediaHandedOver)));
}

void KivChatCallLink::Closed(const ptl_sys_send_per_media& media) {
    if (IsOwnCall(media) && media.state == KivMediaClosedByCallee) {
        EndCallWindow();
    }
}
