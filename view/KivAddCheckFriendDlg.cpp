#include "KivAddCheckFriendDlg.h"

KivAddCheckFriendDlg::KivAddCheckFriendDlg(QWidget* parent)
    : KivPlaceholderDlg(QStringLiteral("kivCheckFriendDlg"), QStringLiteral("查找好友"), parent) {
    SetText(QStringLiteral("查找好友"));
}

void KivAddCheckFriendDlg::closeEvent(QCloseEvent* event) {
    KivPlaceholderDlg::closeEvent(event);
    emit SndCloseSignal();
}
