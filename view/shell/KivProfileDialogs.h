#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "KivProtocol.h"

class CKivSession;
class QWidget;
class kivPersonalInfoDlg;

// The personal-information dialogs of a session, one per user, and the own
// user's profile updates that wait for the server's answer.
class KivProfileDialogs : public QObject {
    Q_OBJECT
public:
    using AlterInfoDone = std::function<void(Uint32 uid, Uint32 result, Uint32 version)>;

    // The answers' tips show over `window` when their dialog is gone.
    KivProfileDialogs(QWidget* window, CKivSession& session);
    ~KivProfileDialogs() override;

    // The dialog of uid, made when first asked for; `ownUid` is the session's.
    kivPersonalInfoDlg* Dialog(quint32 uid, quint32 ownUid);
    // Shows uid's profile in `mode` (1 own, 2 a friend's).
    void Open(quint32 uid, quint32 ownUid, const QString& account, int mode);

    // An update went out from `asker`: the next answer is its own (the server
    // answers in order on the one connection).
    void Await(QWidget* asker, AlterInfoDone done);
    // The server's answer for the own user: to the asker while it lives, and
    // "修改成功" or "修改失败" to the user. Answers nobody awaits are dropped.
    void Answered(Uint32 uid, Uint32 result, Uint32 version);
    // Updates sent on a lost connection are answered on none.
    void ForgetAwaited() { m_awaited.clear(); }

signals:
    // The own profile was saved: {nick name, signature, head picture path}.
    void OwnAltered(QStringList changed);
    // A friend's signature as his profile gave it.
    void FriendSign(quint32 uid, QString sign);

private:
    struct Awaited {
        QPointer<QWidget> asker;
        AlterInfoDone done;
    };
    QWidget* m_pWindow;
    CKivSession& m_session;
    std::map<quint32, std::unique_ptr<kivPersonalInfoDlg>> m_dialogs;
    std::deque<Awaited> m_awaited;
};
