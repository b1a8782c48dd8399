#include "CKivIMaddfriendDlg.h"

CKivIMaddfriendDlg::CKivIMaddfriendDlg(QWidget* parent)
    : KivPlaceholderDlg(QStringLiteral("CKivIMAddFriendDlg"), QStringLiteral("添加好友"), parent) {}

void CKivIMaddfriendDlg::AcceptFriendInfo(const QStringList& info) {
    m_info = info;
    const QString nick = info.value(6);
    SetText(QStringLiteral("添加 %1 (%2) 为好友").arg(nick, info.value(4)));
}
