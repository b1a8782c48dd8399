#include "chat/KivChatCallLink.h"

#include <QWidget>
#include <QtDebug>

#include "CKivFriendNetModel.h"
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

bool SendToServer(const ptl_sys_send_per_media& record) {
    return CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&record),
                                                       int(sizeof(record))) == int(sizeof(record));
}

}  // namespace

KivChatCallLink::KivChatCallLink(QWidget* dialog) : QObject(dialog) {
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
    const qint64 pid = KivStartCallProgram({QStringLiteral("--device=%1").arg(MessageWindowId()),
                                            QStringLiteral("--me=%1").arg(m_ownId),
                                            QStringLiteral("--to=%1").arg(m_friendId)});
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
                KivInitRecord(m_request, Media);
                m_request.callerUid = record.callerUid;
                m_request.calleeUid = record.calleeUid;
                m_request.state = record.state;
                std::memcpy(m_request.addressA, record.addressA, sizeof(m_request.addressA));
                m_request.videoPortA = record.videoPortA;
                m_requestPending = true;
            }
            break;
        case kKindPorts:
            if (m_requestPending && KivMediaFromMessage(message.data, &record)) {
                // The call window reports its audio port in the video port A field.
                m_request.audioPortA = record.videoPortA;
                m_requestPending = false;
                // A call request is no message to keep for later: the call ends.
                if (!SendToServer(m_request)) {
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
    if (sent) {
        ptl_sys_send_per_media ended = closed;
        ended.state = 4;
        SendToServer(ended);
    }
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
    ptl_sys_send_per_media answer = media;
    answer.state = 11;
    KivSendMessage(m_callWindow, kKindHello, MessageWindowId(), KivMediaToMessage(answer));
}

void KivChatCallLink::Closed(const ptl_sys_send_per_media& media) {
    if (IsOwnCall(media) && media.state == 5) {
        EndCallWindow();
    }
}
