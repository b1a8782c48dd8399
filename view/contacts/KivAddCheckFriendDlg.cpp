#include "contacts/KivAddCheckFriendDlg.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivContactQueries.h"
#include "KivProtocol.h"
#include "contacts/KivAddFriendItem.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivHeadDownload.h"
#include "support/KivHeadPath.h"
#include "support/KivSkinBackground.h"

namespace {

constexpr int kNotFound = 3;

}  // namespace

KivAddCheckFriendDlg::KivAddCheckFriendDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    setObjectName(QStringLiteral("KivAddCheckFriendDlg"));
    KivSkinBackground::Apply(
        this, QStringLiteral("Resources/skin/KivIMAddFriendTipDlg/AddFriendTipDlgBackImage.png"),
        QSize(460, 320));
    KivSkinBackground::AddTitle(this, tr("查找用户"));

    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QStringLiteral("lineEditCheck"));
    m_pEdit->setPlaceholderText(tr("输入账号或手机号"));
    m_pEdit->setAccessibleName(tr("账号或手机号"));
    m_pEdit->setMaxLength(127);
    m_pEdit->setGeometry(20, 52, width() - 40 - 82, 32);
    auto* check = m_pCheck = new QPushButton(tr("查找"), this);
    check->setObjectName(QStringLiteral("bCheckBtn"));
    check->setGeometry(width() - 20 - 72, 52, 72, 32);
    check->setCursor(Qt::PointingHandCursor);
    check->setDefault(true);

    m_pCaption = new QLabel(this);
    m_pCaption->setObjectName(QStringLiteral("labelCaption"));
    m_pCaption->setGeometry(20, 94, width() - 40, 20);

    auto* area = new QScrollArea(this);
    area->setObjectName(QStringLiteral("scrollAreaResult"));
    area->setGeometry(20, 118, width() - 40, height() - 118 - 20);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    // Tab goes to the rows' buttons, which scroll into view themselves.
    area->setFocusPolicy(Qt::NoFocus);
    auto* results = new QWidget;
    results->setObjectName(QStringLiteral("resultWidget"));
    results->setStyleSheet(
        QStringLiteral("#resultWidget{border:0px;background:rgba(255,255,255,20%);}"));
    area->setWidget(results);
    area->setStyleSheet(
        QStringLiteral("QScrollArea{border:0px;background:rgba(255,255,255,20%);}"));
    m_pGrid = new QGridLayout(results);
    m_pGrid->setContentsMargins(5, 5, 5, 5);

    m_pHeads = new KivHeadDownload(this);
    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/kivCheckFriendDlg/kivCheckFriendDlg.qss"));
    // The result row's add button, made later, goes between check and m_pMinimize.
    setTabOrder(m_pEdit, check);
    setTabOrder(check, m_pMinimize);
    setTabOrder(m_pMinimize, m_pClose);
    m_pEdit->setFocus();

    connect(check, &QPushButton::clicked, this, &KivAddCheckFriendDlg::CheckBtnClicked);
    connect(m_pClose, &QPushButton::clicked, this, &KivAddCheckFriendDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &KivAddCheckFriendDlg::bMinimize_Clicked);
    connect(m_pHeads, &KivHeadDownload::Stored, this, &KivAddCheckFriendDlg::HeadStored);
    connect(&m_session.Net(), &CKivFriendNetModel::AccountSearchResult, this,
            &KivAddCheckFriendDlg::InitCheckFriendDlg);
}

KivAddCheckFriendDlg::~KivAddCheckFriendDlg() = default;

void KivAddCheckFriendDlg::CheckBtnClicked() {
    m_resultCount = 0;
    const QString text = m_pEdit->text().simplified();
    if (text.isEmpty())
        return;
    if (!m_session.SearchUser(text)) {
        KivFriendMyMessageBoxView::Tip(this, tr("网络连接已断开，请稍后再试"), tr("确定"));
        return;
    }
    m_pendingSearch = text;
}

void KivAddCheckFriendDlg::InitCheckFriendDlg(int result, bool, const QByteArray& account) {
    if (m_pendingSearch.isEmpty())
        return;
    const QString searched = m_pendingSearch;
    const KivContactProfile profile =
        result == kNotFound ? KivContactProfile() : KivContactQueries::ByAccount(searched);
    // Other windows search too: a found account answers this search only when
    // it is the text searched, or the account of the phone number searched.
    if (result != kNotFound) {
        const QString answered = QString::fromUtf8(account);
        if (answered != searched && !(profile.found && profile.account == answered))
            return;
    }
    m_pendingSearch.clear();
    if (!profile.found) {
        KivFriendMyMessageBoxView::Tip(this, tr("没有该用户"), tr("确定"));
        return;
    }
    const QList<QVariant> info = {
        m_session.Net().GetUID(), profile.uid,      profile.sex,  profile.head, profile.account,
        profile.nickName,         profile.nickName, profile.sign, profile.area, profile.phone,
        profile.birthday};
    const QString own = QString::fromUtf8(m_session.Net().GetAccount());
    if (!own.isEmpty())
        m_pHeads->Fetch(profile.uid, KivHeadPath::UploadedFriend(own, profile.uid));
    // The row is refilled, never replaced: a message box of the row may be
    // running its loop right now, and deleting the row would delete it too.
    if (!m_pItem) {
        m_pItem = new KivAddFriendItem(nullptr, m_session);
        connect(this, &KivAddCheckFriendDlg::SndFriendInfo, m_pItem,
                &KivAddFriendItem::AcceptFriendInfo);
        m_pGrid->addWidget(m_pItem, 0, 0, Qt::AlignTop);
        m_pGrid->setRowStretch(0, 1);
        m_pGrid->setColumnStretch(0, 1);
        setTabOrder(m_pCheck, m_pItem->AddButton());
        setTabOrder(m_pItem->AddButton(), m_pMinimize);
    }
    emit SndFriendInfo(info);
    m_pCaption->setText(tr("找到1联系人个人"));
    ++m_resultCount;
}

void KivAddCheckFriendDlg::HeadStored(quint32 uid, const QString& path) {
    if (m_pItem && m_pItem->FriendId() == uid &&
        m_pItem->HeadIndex() >= KivHeadPath::kFirstUploadedHead)
        m_pItem->SetHead(path);
}

void KivAddCheckFriendDlg::bClose_Clicked() {
    close();
}

void KivAddCheckFriendDlg::bMinimize_Clicked() {
    showMinimized();
}

void KivAddCheckFriendDlg::closeEvent(QCloseEvent* event) {
    QWindowBase::closeEvent(event);
    emit SndCloseSignal();
}
