#pragma once

#include <QList>
#include <QObject>

class CKivIMaddfriendDlg;
class CKivSession;
class QPoint;
class QString;
class QWidget;

// The menu of a row on the friend and VIP pages and what it starts itself:
// deleting the friend (asked first, then the server's answer awaited) and
// offering a VIP user friendship.
class KivFriendMenu : public QObject {
    Q_OBJECT
public:
    KivFriendMenu(QWidget* window, CKivSession& session);

    // The menu of uid's row at `globalPos`.
    void Show(const QPoint& globalPos, quint32 uid, bool vipRow);
    // Asks the user, then the server, to delete the friend uid.
    void AskDelete(quint32 uid);
    // The server answered on deleting uid: whether this session asked for it.
    bool TakeDeleteAnswer(quint32 uid) { return m_pendingDeletes.removeAll(uid) > 0; }
    // The friend request dialog for the VIP user uid, for VIP members only;
    // `shownName` stands in for a nick name the database does not know.
    void OfferFriendship(quint32 uid, quint32 ownUid, const QString& shownName,
                         const QString& headPath);

signals:
    void ChatRequested(quint32 uid);
    void ProfileRequested(quint32 uid);
    // A VIP row's "添加为好友".
    void FriendshipRequested(quint32 uid);

private:
    QWidget* m_pWindow;
    CKivSession& m_session;
    QList<quint32> m_pendingDeletes;
    CKivIMaddfriendDlg* m_pAddFriend = nullptr;
};
