#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>

#include "KivContactProfile.h"
#include "KivProtocol.h"
#include "KivTimerSource.h"

class CKivChatOutbox;
class CKivFriendDBModel;
class CKivFriendHearbeatModel;
class CKivFriendNetModel;
class CKivReconnectModel;
class KivUploadSessions;

// The client's session with the messaging server, made once by the program
// and handed to its windows by reference: the one way to the net model, the
// account's database, reconnection and the heartbeat, and the verbs that put
// the session's records on the wire. No window builds a record itself.
//
// Lives on the UI thread. A verb is true when its record went out whole; it
// sends nothing while the connection is down.
class CKivSession : public QObject {
    Q_OBJECT
public:
    // The user of the session and the account's settings, as the login
    // fills them; the main window's members of the same names are views of it.
    struct Own {
        Uint32 uid = 0;
        int headIndex = 0;
        QString account;
        QString sign;
        QString nickName;
        // "CloseMaindlg", "MarginHide", "WindowFront", "DesktopNotify",
        // "BootStart", "AutoLogin", "ForgetPwd".
        QMap<QString, int> settings;
        // The hot keys' names and key texts ("ShowmDlgKey", "SndmsgKey", ...).
        QMap<QString, QString> hotKeyText;
        // Users asked to become friends who have not answered yet: the notice
        // that the friendship stands comes as a request record.
        QSet<quint32> askedFriends;

        bool AutoLogin() const { return settings.value(QStringLiteral("AutoLogin")) == 1; }
        bool RememberPassword() const { return settings.value(QStringLiteral("ForgetPwd")) == 1; }
        bool MarginHide() const { return settings.value(QStringLiteral("MarginHide")) == 1; }
        bool WindowFront() const { return settings.value(QStringLiteral("WindowFront")) == 1; }
        bool DesktopNotify() const {
            return settings.value(QStringLiteral("DesktopNotify"), 1) == 1;
        }
    };

    // `timers` make every wait of the session (tests bring their own clock).
    CKivSession(CKivFriendNetModel& net, CKivFriendHearbeatModel& heartbeat,
                QObject* parent = nullptr, KivTimerSource& timers = KivTimerSource::EventLoop());
    ~CKivSession() override;

    Own& User() { return m_own; }
    const Own& User() const { return m_own; }
    // Forgets the user: the session goes back to the login.
    void ForgetUser() { m_own = Own(); }
    // Reads what the login dialog offers for `account` from its settings
    // file: "BootStart", "AutoLogin" and "ForgetPwd".
    void ReadLoginChoices(const QString& account);
    // Reads the rest of the account's settings and its hot keys, once it
    // logged in.
    void ReadAccountSettings(const QString& account);
    // The messages sent in this session that the server has not confirmed yet.
    CKivChatOutbox& Outbox() const { return *m_pOutbox; }

    CKivFriendNetModel& Net() const { return m_net; }
    KivTimerSource& Timers() const { return m_timers; }
    CKivReconnectModel& Reconnect() const { return *m_pReconnect; }
    // The database model of the logged-in account.
    CKivFriendDBModel& Database() const;
    // The uid the server gave the last successful login.
    quint32 Uid() const;

    // A login succeeded with `loginRequest`: the heartbeat runs and a lost
    // connection is healed with the same request from now on.
    void Begin(quint32 uid, const QByteArray& loginRequest);
    // A lost connection is tried again at once (a message waits, or the user asked).
    void ReconnectNow();
    // Logged in again by reconnection.
    void Resumed(quint32 uid);
    // The session is over: nothing is healed and the heartbeat stops.
    void End();

    // How many records the verbs have put on the wire: what a window sent is
    // known at once, without waiting for the server to react.
    int RecordsSent() const { return m_recordsSent; }

    // The Login record for an account and its password, as sent.
    static QByteArray LoginRequest(const QString& account, const QString& password);
    bool SendLogin(const QByteArray& request);
    bool RequestCheckNumber(const QString& phone, KivCheckPurpose purpose);
    // Registers the phone number as an account (uid and code from the check number).
    bool Register(quint32 uid, const QString& phone, const QString& password,
                  const QString& checkNumber);
    bool SetNewPassword(quint32 uid, const QString& password);

    bool SendSign(const QString& sign);
    bool AskVipList();
    bool SendLogout();
    // Looks a user up by account or phone number (answered by AccountSearchResult).
    bool SearchUser(const QString& accountOrPhone);
    bool AskFriend(quint32 friendUid, const QByteArray& verifyText);
    bool AnswerFriend(quint32 askerUid, KivFriendAnswer answer);
    bool AskDeleteFriend(quint32 friendUid);
    bool UpdateProfile(const KivContactProfile& profile);
    // Asks for an upload session (answered by UpLoadFile): windows ask
    // through Uploads(), which hands each answer to its request.
    bool AskUpload(KivUploadPurpose purpose);
    KivUploadSessions& Uploads() const { return *m_pUploads; }

    // A call record with a fresh header and the given state.
    bool SendCall(const ptl_sys_send_per_media& record, KivMediaState state);
    // A call record as it came, with only its state changed (a refusal
    // answers the request itself).
    bool AnswerCall(const ptl_sys_send_per_media& record, KivMediaState state);
    // The call window's acceptance, as it came, sent as a Media record.
    bool AcceptCall(const ptl_sys_send_per_media& answer);

private:
    template <typename Record>
    bool Send(const Record& record);

    CKivFriendNetModel& m_net;
    CKivFriendHearbeatModel& m_heartbeat;
    KivTimerSource& m_timers;
    CKivReconnectModel* m_pReconnect = nullptr;
    CKivChatOutbox* m_pOutbox = nullptr;
    KivUploadSessions* m_pUploads = nullptr;
    Own m_own;
    int m_recordsSent = 0;
};
