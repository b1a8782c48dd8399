#include "contacts/CKivIMaddfriendTipDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivContactQueries.h"
#include "contacts/CFriendInfoWnd.h"
#include "support/KivHeadPath.h"
#include "support/KivSkinBackground.h"

CKivIMaddfriendTipDlg::CKivIMaddfriendTipDlg(QWidget* parent, CKivSession& session,
                                             std::function<bool(quint32)> isFriend)
    : QWindowBase(parent), m_session(session), m_isFriend(std::move(isFriend)) {
    setObjectName(QStringLiteral("CKivIMaddfriendTipDlg"));
    KivSkinBackground::Apply(
        this, QStringLiteral("Resources/skin/KivIMAddFriendTipDlg/TipDlgBackImage.png"),
        QSize(600, 420));
    KivSkinBackground::AddTitle(this, tr("下面联系人请求添加你为好友"));

    auto* area = new QScrollArea(this);
    area->setGeometry(14, 50, width() - 28, height() - 64);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    // Tab goes to the cards' buttons, which scroll into view themselves.
    area->setFocusPolicy(Qt::NoFocus);
    area->setStyleSheet(QStringLiteral("border:0px;background:rgba(255,255,255,30%);"));
    auto* cards = new QWidget;
    cards->setObjectName(QStringLiteral("cardsWidget"));
    area->setWidget(cards);
    m_pGrid = new QGridLayout(cards);
    m_pGrid->setContentsMargins(8, 8, 8, 8);
    m_pGrid->setSpacing(10);
    m_pGrid->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pEmpty = new QLabel(tr("没有等待处理的好友请求"), this);
    m_pEmpty->setObjectName(QStringLiteral("labelEmpty"));
    m_pEmpty->setAlignment(Qt::AlignCenter);
    m_pEmpty->setGeometry(area->geometry());
    m_pEmpty->hide();

    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/KivIMAddFriendTipDlg/KivIMAddFriendTipDlg.qss"));
    connect(m_pClose, &QPushButton::clicked, this, &CKivIMaddfriendTipDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &CKivIMaddfriendTipDlg::bMinimize_Clicked);
}

void CKivIMaddfriendTipDlg::showEvent(QShowEvent* event) {
    BuildCards();
    QWindowBase::showEvent(event);
}

void CKivIMaddfriendTipDlg::BuildCards() {
    for (CFriendInfoWnd* card : m_cards)
        delete card;
    m_cards.clear();
    const quint32 own = m_session.Net().GetUID();
    const QString account = QString::fromUtf8(m_session.Net().GetAccount());
    for (const KivContactQueries::Request& request : KivContactQueries::WaitingRequests(own)) {
        // The server announces a new friendship the same way; those need no answer.
        if (m_isFriend && m_isFriend(request.sender)) {
            KivContactQueries::AnswerRequests(request.sender, own);
            continue;
        }
        const KivContactProfile profile = KivContactQueries::ByUid(request.sender);
        const QString name = !profile.nickName.isEmpty()  ? profile.nickName
                             : !profile.account.isEmpty() ? profile.account
                                                          : QString::number(request.sender);
        auto* card = new CFriendInfoWnd(this, m_pGrid->parentWidget());
        card->SetRequest(
            request.sender,
            KivHeadPath::OrDefault(KivHeadPath::Friend(account, request.sender, profile.head)),
            name, request.text, request.time);
        m_cards.push_back(card);
    }
    PlaceCards();
}

void CKivIMaddfriendTipDlg::PlaceCards() {
    for (size_t i = 0; i < m_cards.size(); ++i) {
        m_pGrid->addWidget(m_cards[i], int(i) / kCardsPerRow, int(i) % kCardsPerRow);
        m_cards[i]->show();
    }
    m_pEmpty->setVisible(m_cards.empty());
}

QPair<int, int> CKivIMaddfriendTipDlg::CellOf(CFriendInfoWnd* card) const {
    int row = -1;
    int column = -1;
    int rowSpan = 0;
    int columnSpan = 0;
    const int index = m_pGrid->indexOf(card);
    if (index >= 0)
        m_pGrid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return {row, column};
}

void CKivIMaddfriendTipDlg::AcceptUser(unsigned long uid) {
    emit UserAddAccept(Uint32(uid));
}

void CKivIMaddfriendTipDlg::RemoveCard(CFriendInfoWnd* card) {
    const auto it = std::find(m_cards.begin(), m_cards.end(), card);
    if (it == m_cards.end())
        return;
    m_cards.erase(it);
    m_pGrid->removeWidget(card);
    card->hide();
    card->deleteLater();
    // The remaining cards close the gap.
    for (CFriendInfoWnd* other : m_cards)
        m_pGrid->removeWidget(other);
    PlaceCards();
}

void CKivIMaddfriendTipDlg::bMinimize_Clicked() {
    showMinimized();
}

void CKivIMaddfriendTipDlg::bClose_Clicked() {
    hide();
}
