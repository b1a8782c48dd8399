#pragma once

#include <QObject>

#include "KivProtocol.h"

class CKivSession;
class KivMessageWindow;
class KivWindowWatch;
class QWidget;
struct KivWindowMessage;

// The calling side of a chat dialog: starts the call window program, builds
// the call request from the ports it reports (kinds 10 and 11) and sends it,
// relays the peer's answer to the call window, and ends the call window when
// the peer declines or hangs up. A hang-up in the own call window tells the
// peer (state 4). Only the program it started is listened to: window ids
// are reused, so each message's sending process must be that program, and
// once it named its window, the sender id must be that window.
class KivChatCallLink : public QObject {
    Q_OBJECT
public:
    // Messages are taken for `dialog`'s window.
    KivChatCallLink(QWidget* dialog, CKivSession& session);
    ~KivChatCallLink() override;

    void SetUsers(quint32 ownId, quint32 friendId);
    // Starts the call window program; false when it cannot be started.
    bool Open();

    // Answers from the server about calls; records of other calls are ignored.
    void Declined(const ptl_sys_send_per_media& media);
    void Accepted(const ptl_sys_send_per_media& media);
    void Closed(const ptl_sys_send_per_media& media);

    quint64 MessageWindowId() const;
    quint64 CallWindow() const { return m_callWindow; }
    // The call window program of the running call, or 0.
    qint64 CallProcess() const { return m_callPid; }
    // Takes `pid` as the call window program of a call started elsewhere
    // (a test that plays the call window itself).
    void ExpectCallWindowFrom(qint64 pid);

signals:
    // No call runs from this dialog any more: the call button comes back.
    void CallEnded();
    // The call request could not reach the server (no connection).
    void RequestNotSent();

private:
    void OnWindowMessage(const KivWindowMessage& message);
    bool IsOwnCall(const ptl_sys_send_per_media& media) const;
    // The message comes from the call window program of this call.
    bool FromCallWindow(const KivWindowMessage& message) const;
    void Forget();
    void EndCallWindow();
    // The call window ended (it said so, or it is gone): the peer hears state 4.
    void CallWindowEnded();

    CKivSession& m_session;
    KivMessageWindow* m_messages = nullptr;
    KivWindowWatch* m_watch = nullptr;
    quint32 m_ownId = 0;
    quint32 m_friendId = 0;
    quint64 m_callWindow = 0;
    qint64 m_callPid = 0;
    ptl_sys_send_per_media m_request{};
    bool m_requestPending = false;
    bool m_requestSent = false;
    bool m_answered = false;
};
