#include "contacts/CFriendInfoWnd.h"

#include <QLabel>
#include <QPushButton>

#include "CKivSession.h"
#include "KivContactQueries.h"
#include "KivProtocol.h"
#include "chat/KivChatTimeText.h"
#include "contacts/CKivIMaddfriendTipDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivElidedText.h"
#include "support/KivPlainText.h"
#include "support/KivSafeImage.h"

CFriendInfoWnd::CFriendInfoWnd(CKivIMaddfriendTipDlg* owner, QWidget* parent)
    : QWidget(parent), m_pOwner(owner) {
    setObjectName(QStringLiteral("CFriendInfoWnd"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedSize(176, 150);
    m_pHead = new QLabel(this);
    m_pHead->setGeometry(12, 12, 40, 40);
    m_pName = new QLabel(this);
    m_pName->setObjectName(QStringLiteral("labelName"));
    m_pName->setGeometry(60, 12, 106, 20);
    m_pTime = new QLabel(this);
    m_pTime->setObjectName(QStringLiteral("labelTime"));
    m_pTime->setGeometry(60, 34, 106, 16);
    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("labelText"));
    m_pText->setGeometry(12, 60, 152, 40);
    m_pText->setWordWrap(true);
    m_pText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pAccept = new QPushButton(tr("接受"), this);
    m_pAccept->setObjectName(QStringLiteral("m_pAccept"));
    m_pAccept->setGeometry(18, 114, 64, 26);
    m_pAccept->setCursor(Qt::PointingHandCursor);
    m_pRef = new QPushButton(tr("拒绝"), this);
    m_pRef->setObjectName(QStringLiteral("m_pRef"));
    m_pRef->setGeometry(94, 114, 64, 26);
    m_pRef->setCursor(Qt::PointingHandCursor);
    connect(m_pAccept, &QPushButton::clicked, this, &CFriendInfoWnd::Accept);
    connect(m_pRef, &QPushButton::clicked, this, &CFriendInfoWnd::Refuse);
}

void CFriendInfoWnd::SetRequest(qint64 requester, const QString& headPath, const QString& name,
                                const QString& text, const QString& time) {
    m_requester = requester;
    m_pHead->setPixmap(KivSafeImage::Pixmap(headPath).scaled(40, 40, Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation));
    KivElidedText::Apply(m_pName, name);
    KivPlainText::Show(m_pText, text.isEmpty() ? tr("请求添加你为好友") : text);
    m_pText->setToolTip(KivPlainText::ToolTip(text));
    KivElidedText::Apply(m_pTime, KivChatTimeText::Stamp(time));
    // Several cards share the button texts; the asker tells them apart.
    m_pAccept->setAccessibleDescription(name);
    m_pRef->setAccessibleDescription(name);
}

void CFriendInfoWnd::Accept() {
    if (m_requester == -1)
        return;
    CKivSession& session = m_pOwner->Session();
    if (!session.AnswerFriend(quint32(m_requester), KivFriendAccepted)) {
        // Not answered: the card stays for another try.
        KivFriendMyMessageBoxView::Tip(this, tr("网络连接已断开，请稍后再试"), tr("确定"));
        return;
    }
    KivContactQueries::AnswerRequests(quint32(m_requester), session.Uid());
    m_pOwner->AcceptUser(static_cast<unsigned long>(m_requester));
    m_pOwner->RemoveCard(this);
}

// The request stays unread, so the next show lists it again.
void CFriendInfoWnd::Refuse() {
    m_pOwner->RemoveCard(this);
}
