#include "shell/KivFriendRequests.h"

#include <QWidget>

#include "CKivSession.h"
#include "KivChatQueries.h"
#include "KivContactQueries.h"
#include "KivProtocol.h"
#include "contacts/CKivIMaddfriendTipDlg.h"

KivFriendRequests::KivFriendRequests(QWidget* window, CKivSession& session,
                                     std::function<bool(quint32)> isFriend)
    : QObject(window), m_pWindow(window), m_session(session), m_isFriend(std::move(isFriend)) {}

KivFriendRequests::~KivFriendRequests() = default;

void KivFriendRequests::NoteAsked(quint32 uid) {
    m_session.User().askedFriends.insert(uid);
}

bool KivFriendRequests::HasAsked(quint32 uid) const {
    return m_session.User().askedFriends.contains(uid);
}

void KivFriendRequests::Answered(quint32 uid) {
    m_session.User().askedFriends.remove(uid);
}

void KivFriendRequests::Arrived(quint32 uid, quint32 ownUid) {
    if (m_isFriend(uid)) {
        // Already friends: the server hears so without asking the user.
        m_session.AnswerFriend(uid, KivFriendAlready);
        return;
    }
    if (HasAsked(uid)) {
        // Most likely the notice that our own request was accepted, with the
        // answer right behind it; when no friendship follows it is a request.
        std::unique_ptr<KivTimer>& grace = m_grace[uid];
        if (!grace) {
            grace = m_session.Timers().Make(this, [this, uid, ownUid] {
                if (!m_isFriend(uid))
                    ShowWaiting(ownUid);
            });
        }
        grace->Start(kNoticeGraceMs);
        return;
    }
    ShowWaiting(ownUid);
}

CKivIMaddfriendTipDlg* KivFriendRequests::ListDialog() {
    if (!m_pList) {
        m_pList = new CKivIMaddfriendTipDlg(m_pWindow, m_session, m_isFriend);
        connect(m_pList, &CKivIMaddfriendTipDlg::UserAddAccept, this,
                [this](quint32 uid) { emit Accepted(uid); });
    }
    return m_pList;
}

void KivFriendRequests::ShowWaiting(quint32 ownUid) {
    if (KivChatQueries::WaitingRequests(ownUid) <= 0)
        return;
    CKivIMaddfriendTipDlg* list = ListDialog();
    // Showing rebuilds the cards, so a request that arrives while the list is
    // open joins it.
    list->hide();
    list->show();
    if (list->Cards().empty())
        list->hide();
    else
        Announce(ownUid);
}

void KivFriendRequests::Announce(quint32 ownUid) {
    if (m_pList && m_pList->isActiveWindow())
        return;
    for (const KivContactQueries::Request& request : KivContactQueries::WaitingRequests(ownUid)) {
        if (m_isFriend(request.sender) || m_announced.value(request.sender) == request.time)
            continue;
        m_announced.insert(request.sender, request.time);
        emit Announced(request.sender, request.text);
    }
}

void KivFriendRequests::ShowList() {
    CKivIMaddfriendTipDlg* list = ListDialog();
    list->hide();
    list->show();
    list->raise();
    list->activateWindow();
}
