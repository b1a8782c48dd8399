#include "chat/CKivImChatRecordDlg.h"

#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

#include "CKivChatSearchIndex.h"
#include "CKivFriendDBModel.h"
#include "KivChatHistory.h"
#include "chat/CChatRecord.h"
#include "chat/KivChatSearchPanel.h"

namespace {

constexpr int kTitleHeight = 30;
constexpr int kButtonSide = 22;
// The search field alone, and with its hits.
constexpr int kSearchField = 26;
constexpr int kSearchWithHits = 170;

}  // namespace

CKivImChatRecordDlg::CKivImChatRecordDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CKivImChatRecordDlg"));
    setAttribute(Qt::WA_StyledBackground);
    resize(358, 405);

    auto* title = new QLabel(tr("消息记录"), this);
    title->setObjectName(QStringLiteral("labelTitle"));
    title->setGeometry(10, 0, 200, kTitleHeight - 1);

    // Made first: the search stands above the list, and Tab meets it first.
    m_pSearch = new KivChatSearchPanel(this);
    m_pList = new CChatRecord(this);
    connect(m_pSearch, &KivChatSearchPanel::QueryPresenceChanged, this,
            &CKivImChatRecordDlg::PlaceChildren);
    connect(m_pSearch, &KivChatSearchPanel::HitActivated, this,
            [this](const KivChatSearchHit& hit) { GoToMessage(hit.id, hit.time); });
    // Oldest, older, newer, newest from left to right.
    m_pLeftTopPage = AddPageButton("LeftTopPage", tr("第一页"));
    m_pPrePage = AddPageButton("PrePage", tr("上一页"));
    m_pNextPage = AddPageButton("NextPage", tr("下一页"));
    m_pRightTopPage = AddPageButton("RightTopPage", tr("最后一页"));
    connect(m_pPrePage, &QPushButton::clicked, this, &CKivImChatRecordDlg::ClickPrePage);
    connect(m_pNextPage, &QPushButton::clicked, this, &CKivImChatRecordDlg::ClickNextPage);
    connect(m_pLeftTopPage, &QPushButton::clicked, this, &CKivImChatRecordDlg::ClickLeftTopPage);
    connect(m_pRightTopPage, &QPushButton::clicked, this, &CKivImChatRecordDlg::ClickRightTopPage);

    QFile skin(QStringLiteral("Resources/skin/CKivImChatRecordDlg/CKivImChatRecordDlg.qss"));
    if (skin.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(skin.readAll()));
}

QPushButton* CKivImChatRecordDlg::AddPageButton(const char* objectName, const QString& tip) {
    auto* button = new QPushButton(this);
    button->setObjectName(QLatin1String(objectName));
    button->setFixedSize(kButtonSide, kButtonSide);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setCursor(Qt::PointingHandCursor);
    button->setEnabled(false);
    return button;
}

void CKivImChatRecordDlg::SetConversation(quint32 ownUid, const QString& ownName, quint32 friendUid,
                                          const QString& friendName) {
    if (friendUid != m_friendUid || ownUid != m_ownUid)
        m_offset = 0;
    m_ownUid = ownUid;
    m_ownName = ownName;
    m_friendUid = friendUid;
    m_friendName = friendName;
    m_pSearch->SetScope({ownUid, friendUid}, [ownUid, ownName, friendName](quint32 uid) {
        return uid == ownUid ? ownName : friendName;
    });
}

bool CKivImChatRecordDlg::GoToMessage(qint64 id, const QString& msgTime) {
    int rank = 0;
    if (!KivChatHistory().Rank(m_ownUid, m_friendUid, msgTime, id, &rank))
        return false;
    m_offset = rank / kPageSize * kPageSize;
    RefreshRecordList();
    return m_pList->Mark(id);
}

void CKivImChatRecordDlg::SetNickNameToUidMap(std::map<unsigned long, QString>& names) {
    m_names = names;
}

void CKivImChatRecordDlg::RefreshRecordList() {
    FillPage(QueryPage());
    PlacePage();
}

QVector<CKivChatRecordRow> CKivImChatRecordDlg::QueryPage() {
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    m_total = db->GetChatRecordCount(m_ownUid, m_friendUid);
    m_pPrePage->setEnabled(m_total != 0 && m_total - m_offset > kPageSize);
    m_pLeftTopPage->setEnabled(m_pPrePage->isEnabled());
    m_pNextPage->setEnabled(m_offset != 0);
    m_pRightTopPage->setEnabled(m_offset != 0);
    return db->GetChatRecordPage(m_ownUid, m_friendUid, m_offset, kPageSize);
}

void CKivImChatRecordDlg::FillPage(const QVector<CKivChatRecordRow>& rows) {
    m_pList->setUpdatesEnabled(false);
    m_pList->Reset();
    for (const CKivChatRecordRow& row : rows) {
        const bool own = row.senderUid == m_ownUid;
        m_pList->AddMessage(row.message, own ? m_ownName : m_friendName, row.msgTime, own, row.id);
    }
}

void CKivImChatRecordDlg::PlacePage() {
    m_pList->setUpdatesEnabled(true);
    m_pList->scrollToBottom();
    m_pList->PlaceRows();
}

void CKivImChatRecordDlg::ClickPrePage() {
    m_offset += kPageSize;
    RefreshRecordList();
}

void CKivImChatRecordDlg::ClickNextPage() {
    m_offset = qMax(0, m_offset - kPageSize);
    RefreshRecordList();
}

void CKivImChatRecordDlg::ClickLeftTopPage() {
    m_offset = m_total < kPageSize ? 0 : m_total - kPageSize;
    RefreshRecordList();
}

void CKivImChatRecordDlg::ClickRightTopPage() {
    m_offset = 0;
    RefreshRecordList();
}

void CKivImChatRecordDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    RefreshRecordList();
}

void CKivImChatRecordDlg::paintEvent(QPaintEvent*) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.fillRect(0, 0, width(), kTitleHeight - 1, QColor(230, 235, 238));
}

void CKivImChatRecordDlg::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceChildren();
}

void CKivImChatRecordDlg::PlaceChildren() {
    const int bottom = height() - kButtonSide - 6;
    const int search = m_pSearch->HasQuery() ? kSearchWithHits : kSearchField;
    m_pSearch->setGeometry(4, kTitleHeight + 2, width() - 8, search);
    const int top = kTitleHeight + search + 4;
    m_pList->setGeometry(1, top, width() - 1, bottom - top - 4);
    int x = width() - 4 * (kButtonSide + 4) - 6;
    for (QPushButton* button : {m_pLeftTopPage, m_pPrePage, m_pNextPage, m_pRightTopPage}) {
        button->move(x, bottom);
        x += kButtonSide + 4;
    }
}
