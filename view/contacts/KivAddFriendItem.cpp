#include "contacts/KivAddFriendItem.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/KivBirthday.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivHeadPath.h"
#include "support/KivPlainText.h"
#include "support/KivSafeImage.h"

namespace {

constexpr int kHeadSide = 48;

}  // namespace

KivAddFriendItem::KivAddFriendItem(QWidget* parent, CKivSession& session)
    : QWidget(parent), m_session(session) {
    setObjectName(QStringLiteral("KivAddFriendItem"));
    m_pHead = new QLabel(this);
    m_pHead->setObjectName(QStringLiteral("labelHead"));
    m_pHead->setFixedSize(kHeadSide, kHeadSide);
    m_pNick = new QLabel(this);
    m_pNick->setObjectName(QStringLiteral("labelNickName"));
    m_pAccount = new QLabel(this);
    m_pAccount->setObjectName(QStringLiteral("labelAccount"));
    auto* add = m_pAdd = new QPushButton(tr("添加"), this);
    add->setObjectName(QStringLiteral("AddBtn"));
    add->setFixedSize(64, 26);
    add->setCursor(Qt::PointingHandCursor);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(m_pNick);
    texts->addWidget(m_pAccount);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(10);
    layout->addWidget(m_pHead);
    layout->addLayout(texts, 1);
    layout->addWidget(add);
    connect(add, &QPushButton::clicked, this, &KivAddFriendItem::AddBtnClicked);
}

KivAddFriendItem::~KivAddFriendItem() = default;

void KivAddFriendItem::AcceptFriendInfo(const QList<QVariant>& info) {
    m_info.ownId = info.value(0).toUInt();
    m_info.friendId = info.value(1).toUInt();
    m_info.sex = ADDFriendInfo::SexText(info.value(2).toInt());
    m_headIndex = info.value(3).toInt();
    m_info.account = info.value(4).toString();
    m_info.nickName = info.value(6).toString();
    if (m_info.nickName.isEmpty())
        m_info.nickName = m_info.account;
    m_sign = info.value(7).toString();
    m_info.area = info.value(8).toString();
    m_info.age = KivBirthday::AgeText(info.value(10).toString());
    const QString own = QString::fromUtf8(m_session.Net().GetAccount());
    SetHead(KivHeadPath::OrDefault(KivHeadPath::Friend(own, m_info.friendId, m_headIndex)));
    KivPlainText::Show(m_pNick, m_info.nickName);
    KivPlainText::Show(m_pAccount, m_info.account);
    setToolTip(KivPlainText::ToolTip(m_sign));
    m_pAdd->setAccessibleDescription(tr("添加%1为好友").arg(m_info.nickName));
}

void KivAddFriendItem::SetHead(const QString& path) {
    m_info.head = KivSafeImage::Pixmap(path);
    m_pHead->setPixmap(
        m_info.head.scaled(kHeadSide, kHeadSide, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void KivAddFriendItem::ShowCheckFriendInfo(const int&, const QString& account) {
    KivPlainText::Show(m_pAccount, account);
}

void KivAddFriendItem::AddBtnClicked() {
    const QString own = QString::fromUtf8(m_session.Net().GetAccount());
    if (m_info.account == own) {
        KivFriendMyMessageBoxView::Tip(this, tr("不能添加自己为好友"), tr("确定"));
        return;
    }
    if (!m_pRequest) {
        // A window of its own: it stays when the search dialog is closed.
        m_pRequest = new CKivIMaddfriendDlg(nullptr, m_session);
        m_pRequest->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_pRequest->InitFriendInfo(m_info);
    m_pRequest->show();
    m_pRequest->raise();
    m_pRequest->activateWindow();
}
