#include "shell/KivFriendRequests.h"

#include <QTimer>
#include <QWidget>

#include "CKivFriendNetModel.h"
#include "KivProtocol.h"
#include "contacts/CKivIMaddfriendTipDlg.h"
#include "support/KivChatQueries.h"
#include "support/KivContactQueries.h"

KivFriendRequests::KivFriendRequests(QWidget* window, std::function<bool(quint32)> isFriend)
    : QObject(window), m_pWindow(window), m_isFriend(std::move(isFriend)) {}

void KivFriendRequests::Arrived(quint32 uid, quint32 ownUid) {
    if (m_isFriend(uid)) {
        // Already friends: the server hears so without asking the user.
        AddFriendAnswerRequest answer;
        KivInitRecord(answer, AddFriendAnswer);
        answer.askerUid = uid;
        answer.ownUid = ownUid;
        answer.answer = 3;
        CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&answer),
                                                    int(sizeof(answer)));
        return;
    }
    if (HasAsked(uid)) {
        // Most likely the notice that our own request was accepted, with the
        // answer right behind it; when no friendship follows it is a request.
        QTimer::singleShot(kNoticeGraceMs, this, [this, uid, ownUid] {
            if (!m_isFriend(uid))
                ShowWaiting(ownUid);
        });
        return;
    }
    ShowWaiting(ownUid);
}

CKivIMaddfriendTipDlg* KivFriendRequests::ListDialog() {
    if (!m_pList) {
        m_pList = new CKivIMaddfriendTipDlg(m_pWindow);
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
