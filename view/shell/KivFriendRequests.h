#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class CKivIMaddfriendTipDlg;
class CKivSession;
class KivTimer;
class QWidget;

// The friend requests of a session: the users it asked, what a request
// record from someone means, and the list of requests that wait.
class KivFriendRequests : public QObject {
    Q_OBJECT
public:
    // How long a request record from a user we asked waits for the acceptance
    // it may announce before it is shown as a request.
    static constexpr int kNoticeGraceMs = 1500;

    KivFriendRequests(QWidget* window, CKivSession& session, std::function<bool(quint32)> isFriend);
    ~KivFriendRequests() override;

    // Users this session asked to become friends and who have not answered
    // yet: the notice that the friendship stands comes as a request record.
    void NoteAsked(quint32 uid);
    bool HasAsked(quint32 uid) const;
    void Answered(quint32 uid);

    // A request record from uid to ownUid arrived.
    void Arrived(quint32 uid, quint32 ownUid);
    // Shows the requests that wait, when there are any.
    void ShowWaiting(quint32 ownUid);
    // Shows the list in front, also empty (it then says so).
    void ShowList();
    CKivIMaddfriendTipDlg* List() const { return m_pList; }

signals:
    // The user accepted uid's request.
    void Accepted(quint32 uid);
    // A waiting request the user has not been told of, while the list is not
    // the active window.
    void Announced(quint32 uid, const QString& text);

private:
    CKivIMaddfriendTipDlg* ListDialog();
    void Announce(quint32 ownUid);

    QWidget* m_pWindow;
    CKivSession& m_session;
    std::function<bool(quint32)> m_isFriend;
    // The grace of each asker we asked, on the session's clock.
    std::map<quint32, std::unique_ptr<KivTimer>> m_grace;
    // The time of each asker's request already announced.
    QHash<quint32, QString> m_announced;
    CKivIMaddfriendTipDlg* m_pList = nullptr;
};
