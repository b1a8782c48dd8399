#include "shell/KivFriendMenu.h"

#include <QMenu>

#include "CKivFriendDBModel.h"
#include "CKivSession.h"
#include "KivContactQueries.h"
#include "contacts/ADDFriendInfo.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivSafeImage.h"

KivFriendMenu::KivFriendMenu(QWidget* window, CKivSession& session)
    : QObject(window), m_pWindow(window), m_session(session) {}

void KivFriendMenu::Show(const QPoint& globalPos, quint32 uid, bool vipRow) {
    QMenu menu(m_pWindow);
    menu.addAction(tr("发送即时消息"), this, [this, uid] { emit ChatRequested(uid); });
    menu.addAction(tr("查看个人资料"), this, [this, uid] { emit ProfileRequested(uid); });
    menu.addAction(tr("删除好友"), this, [this, uid] { AskDelete(uid); });
    if (vipRow) {
        menu.addAction(tr("添加为好友"), this, [this, uid] { emit FriendshipRequested(uid); });
    }
    menu.exec(globalPos);
}

void KivFriendMenu::AskDelete(quint32 uid) {
    if (KivFriendMyMessageBoxView::Ask(m_pWindow, tr("您确定要删除该好友吗？"), tr("确定"),
                                       tr("取消")) != 1) {
        return;
    }
    m_pendingDeletes.append(uid);
    m_session.AskDeleteFriend(uid);
}

void KivFriendMenu::OfferFriendship(quint32 uid, quint32 ownUid, const QString& shownName,
                                    const QString& headPath) {
    if (m_session.Database().GetVipFlag() == 0) {
        KivFriendMyMessageBoxView::Tip(m_pWindow, tr("您还不是vip，请加入VIP组。"), tr("确定"));
        return;
    }
    KivContactProfile profile = KivContactQueries::ByUid(uid);
    profile.uid = uid;
    if (profile.nickName.isEmpty())
        profile.nickName = shownName;
    if (!m_pAddFriend)
        m_pAddFriend = new CKivIMaddfriendDlg(m_pWindow, m_session);
    m_pAddFriend->InitFriendInfo(
        ADDFriendInfo::From(profile, ownUid, KivSafeImage::Pixmap(headPath)));
    m_pAddFriend->show();
    m_pAddFriend->raise();
}
