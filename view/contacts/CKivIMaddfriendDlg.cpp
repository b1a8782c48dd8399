#include "contacts/CKivIMaddfriendDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivProtocol.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivPlainText.h"
#include "support/KivSkinBackground.h"

namespace {

QLabel* AddLabel(QWidget* parent, const char* name, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

}  // namespace

CKivIMaddfriendDlg::CKivIMaddfriendDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    setObjectName(QStringLiteral("CKivIMaddfriendDlg"));
    KivSkinBackground::Apply(
        this, QStringLiteral("Resources/skin/CKivIMAddFriendDlg/backImage.png"), QSize(400, 280));
    KivSkinBackground::AddTitle(this, tr("添加好友"));

    m_pHead = AddLabel(this, "labelHeadBk", QRect(24, 52, 80, 80));
    m_pHead->setAlignment(Qt::AlignCenter);
    m_pNick = AddLabel(this, "labelNickName", QRect(120, 52, 260, 24));
    m_pAccount = AddLabel(this, "labelAcount", QRect(120, 80, 260, 18));
    m_pSex = AddLabel(this, "labelSex", QRect(120, 100, 90, 18));
    m_pAge = AddLabel(this, "labelAge", QRect(210, 100, 170, 18));
    m_pArea = AddLabel(this, "labellocal", QRect(120, 120, 260, 18));
    auto* prompt = AddLabel(this, "labelVerify", QRect(24, 146, 352, 18));
    prompt->setText(tr("请输入验证信息："));
    m_pVerify = new QLineEdit(this);
    m_pVerify->setObjectName(QStringLiteral("lineEditVerify"));
    m_pVerify->setGeometry(24, 168, 352, 32);
    m_pVerify->setPlaceholderText(tr("我是…"));
    m_pVerify->setAccessibleName(tr("验证信息"));

    auto* send = new QPushButton(tr("发送"), this);
    send->setObjectName(QStringLiteral("pushButtonSend"));
    send->setGeometry(width() - 24 - 80 - 10 - 80, height() - 42, 80, 30);
    send->setDefault(true);
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("pushButtonClose"));
    cancel->setGeometry(width() - 24 - 80, height() - 42, 80, 30);

    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/CKivIMAddFriendDlg/KivIMAddFriendDlg.qss"));
    setTabOrder(m_pVerify, send);
    setTabOrder(send, cancel);
    setTabOrder(cancel, m_pMinimize);
    setTabOrder(m_pMinimize, m_pClose);
    m_pVerify->setFocus();
    connect(send, &QPushButton::clicked, this, &CKivIMaddfriendDlg::SendAddFriend);
    connect(cancel, &QPushButton::clicked, this, &CKivIMaddfriendDlg::CloseDlg);
    connect(m_pClose, &QPushButton::clicked, this, &CKivIMaddfriendDlg::CloseDlg);
    connect(m_pMinimize, &QPushButton::clicked, this, &CKivIMaddfriendDlg::b_MinimizeClicked);
}

void CKivIMaddfriendDlg::InitFriendInfo(const ADDFriendInfo& info) {
    m_info = info;
    m_pHead->setPixmap(info.head.scaled(m_pHead->size() - QSize(4, 4), Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation));
    KivPlainText::Show(m_pNick, info.nickName);
    KivPlainText::Show(m_pAccount, info.account);
    KivPlainText::Show(m_pSex, tr("性别:%1").arg(info.sex));
    KivPlainText::Show(m_pAge, tr("年龄:%1").arg(info.age));
    KivPlainText::Show(m_pArea, QStringLiteral("%1").arg(info.area));
}

void CKivIMaddfriendDlg::SendAddFriend() {
    const QByteArray text = m_pVerify->text().toUtf8();
    if (text.size() >= kVerifyField) {
        KivFriendMyMessageBoxView::Tip(this, tr("验证消息过长"), tr("确定"));
        return;
    }
    if (!m_session.AskFriend(m_info.friendId, text)) {
        KivFriendMyMessageBoxView::Tip(this, tr("网络连接已断开，请稍后再试"), tr("确定"));
        return;
    }
    m_session.User().askedFriends.insert(m_info.friendId);
    close();
}

void CKivIMaddfriendDlg::CloseDlg() {
    close();
}

void CKivIMaddfriendDlg::b_MinimizeClicked() {
    showMinimized();
}
