#include "kivPersonalInfoDlg.h"

kivPersonalInfoDlg::kivPersonalInfoDlg(QWidget* parent)
    : KivPlaceholderDlg(QStringLiteral("kivPersonalInfoDlg"), QStringLiteral("个人资料"), parent) {}

void kivPersonalInfoDlg::InitInfo(quint32 uid, int mode, const QString& account) {
    m_uid = uid;
    m_mode = mode;
    m_account = account;
    SetText(QStringLiteral("账号：%1").arg(account));
}

void kivPersonalInfoDlg::InitShowInfo(int, bool, const QByteArray& account) {
    if (QString::fromUtf8(account) == m_account)
        SetText(QStringLiteral("账号：%1").arg(m_account));
}
