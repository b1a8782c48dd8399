#include "shell/KivIMMainDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <limits>

#include "CKivChatOutbox.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendNetModel.h"
#include "KivGlobalAtom.h"
#include "KivHotKey.h"
#include "KivLog.h"
#include "KivMediaRecord.h"
#include "KivWindowMessage.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/KivChatText.h"
#include "chat/KivChatTimeText.h"
#include "chat/tag_chatdlg_Need.h"
#include "contacts/CFriendInfoWnd.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/CKivIMaddfriendTipDlg.h"
#include "contacts/KivAddCheckFriendDlg.h"
#include "contacts/kivPersonalInfoDlg.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/KivCallRelay.h"
#include "shell/KivChatMessageWidget.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivFriendRequests.h"
#include "shell/KivMainDlgTray.h"
#include "shell/KivUnreadTracker.h"
#include "shell/MyCustomListViewItem.h"
#include "shell/MyCustomListViewItemDelegate.h"
#include "shell/MyListModel.h"
#include "shell/kivFriendQPainterLabelView.h"
#include "support/KivChatQueries.h"
#include "support/KivContactQueries.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivHeadDownload.h"
#include "support/KivHeadPath.h"
#include "support/KivHotKeyText.h"
#include "support/KivPlainText.h"
#include "support/KivProxySettings.h"
#include "support/KivSafeImage.h"
#include "support/KivUserSettings.h"

KivIMMainDlg* KivIMMainDlg::mainDlg = nullptr;

namespace {

const char* const kSkin = "Resources/skin/kivimmaindlg/";

QString SkinPath(const char* name) {
    return QString::fromLatin1(kSkin) + QLatin1String(name);
}

QString BorderImage(const char* name) {
    return QStringLiteral("border-image:url(%1);").arg(SkinPath(name));
}

void OpenLocationList() {
    const QString name = QStringLiteral("connect1");
    QSqlDatabase db = QSqlDatabase::contains(name)
                          ? QSqlDatabase::database(name, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(QStringLiteral("DB/location_list.db"));
    // Read-only: a missing file stays missing instead of appearing empty.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.isOpen() && QFileInfo::exists(db.databaseName()) && !db.open()) {
        qCWarning(lcKivView) << "执行失败" << db.lastError().text();
    }
}

}  // namespace

KivIMMainDlg::KivIMMainDlg(QWidget* parent) : QWindowBase(parent) {
    setObjectName(QStringLiteral("MainDlg"));
    setWindowTitle(QStringLiteral("Lumo"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    resize(280, 600);
    m_pHeads = new KivHeadDownload(this);
    m_pPreview = std::make_unique<KivChatMessageWidget>(nullptr);
    m_pTray = new KivMainDlgTray(this, m_pPreview.get());
    m_pOutbox = new CKivChatOutbox(this);
    m_pUnread = new KivUnreadTracker(this);
    m_calls = std::make_unique<KivCallRelay>(*this);
    m_pRequests = new KivFriendRequests(this, [this](quint32 uid) { return IsFriend(uid); });
    BuildForm();
    SetBtnNumber(false);
    EnableMove(true);
    EnableResize(true);
    SetSkin(SkinPath("kivimmaindlg.qss"));
    OpenLocationList();
    ConnectModel();
}

KivIMMainDlg::~KivIMMainDlg() {
    // The desktop's keys go back to it with the window that took them.
    for (int id : {m_showHotKeyId, m_getMsgHotKeyId}) {
        if (id != 0) {
            KivHotKey::Unregister(id);
            KivGlobalAtom::Delete(id);
        }
    }
    if (mainDlg == this)
        mainDlg = nullptr;
}

QListView* KivIMMainDlg::MakePage(const QString& objectName, MyListModel* model) {
    auto* view = new QListView(m_pPages);
    view->setObjectName(objectName);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setMouseTracking(true);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setFrameShape(QFrame::NoFrame);
    // Every row is as high as the first: only the rows in sight build their stamps.
    view->setUniformItemSizes(true);
    m_pPages->addWidget(view);
    return view;
}

void KivIMMainDlg::BuildForm() {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("headerWidget"));
    header->setFixedHeight(120);
    m_pHead = new kivFriendQPainterLabelView(header);
    m_pHead->setObjectName(QStringLiteral("BHead"));
    m_pHead->setGeometry(14, 30, 75, 75);
    m_pNickName = new QLabel(header);
    m_pNickName->setObjectName(QStringLiteral("labelNickName"));
    m_pNickName->setGeometry(100, 40, 170, 24);
    m_pSign = new QLineEdit(header);
    m_pSign->setObjectName(QStringLiteral("lineEditSign"));
    m_pSign->setPlaceholderText(QStringLiteral("编辑个性签名"));
    m_pSign->setMaxLength(170);
    m_pSign->setGeometry(96, 70, 172, 24);
    m_pStateLine = new QPushButton(QStringLiteral("网络已断开，正在重新连接…"), header);
    m_pStateLine->setObjectName(QStringLiteral("connectionState"));
    m_pStateLine->setToolTip(QStringLiteral("点击立即重新连接"));
    m_pStateLine->setFlat(true);
    m_pStateLine->setCursor(Qt::PointingHandCursor);
    m_pStateLine->setStyleSheet(
        QStringLiteral("QPushButton#connectionState{color:#ffe08a;text-align:left;border:none;}"));
    m_pStateLine->setGeometry(m_pSign->geometry());
    m_pStateLine->hide();

    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(0, 0, 0, 0);
    tabs->setSpacing(0);
    m_pTabChat = new QPushButton(this);
    m_pTabChat->setObjectName(QStringLiteral("mBchatDlg"));
    m_pTabFriend = new QPushButton(this);
    m_pTabFriend->setObjectName(QStringLiteral("mBfriendDlg"));
    m_pTabVip = new QPushButton(this);
    m_pTabVip->setObjectName(QStringLiteral("mBgameDlg"));
    for (QPushButton* tab : {m_pTabChat, m_pTabFriend, m_pTabVip}) {
        tab->setFixedHeight(36);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setFocusPolicy(Qt::NoFocus);
        tabs->addWidget(tab);
    }
    m_pTabChat->setToolTip(QStringLiteral("最近联系人"));
    m_pTabFriend->setToolTip(QStringLiteral("好友"));
    m_pTabVip->setToolTip(QStringLiteral("VIP"));

    m_pPages = new QStackedWidget(this);
    m_pPages->setObjectName(QStringLiteral("stackedWidget"));
    m_pFriendModel = new MyListModel(this);
    m_pChatModel = new MyListModel(this);
    m_pVipModel = new MyListModel(this);
    m_pFriendView = MakePage(QStringLiteral("listViewFriend"), m_pFriendModel);
    m_pChatView = MakePage(QStringLiteral("listViewChat"), m_pChatModel);
    m_pVipView = MakePage(QStringLiteral("listViewVip"), m_pVipModel);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("bottomWidget"));
    bottom->setFixedHeight(44);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(10, 6, 10, 6);
    bottomLayout->setSpacing(8);
    const std::pair<const char*, const char*> bottomButtons[] = {{"b_Set", "系统设置"},
                                                                 {"b_Check", "查找好友"},
                                                                 {"b_Request", "好友请求"},
                                                                 {"b_Home", "主页"}};
    for (const auto& [name, tip] : bottomButtons) {
        auto* button = new QPushButton(bottom);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(QString::fromUtf8(tip));
        button->setFixedSize(32, 32);
        button->setCursor(Qt::PointingHandCursor);
        bottomLayout->addWidget(button);
        if (qstrcmp(name, "b_Set") == 0) {
            connect(button, &QPushButton::clicked, this, &KivIMMainDlg::b_SetClicked);
        } else if (qstrcmp(name, "b_Check") == 0) {
            connect(button, &QPushButton::clicked, this, &KivIMMainDlg::b_CheckClicked);
        } else if (qstrcmp(name, "b_Request") == 0) {
            connect(button, &QPushButton::clicked, this, &KivIMMainDlg::b_RequestClicked);
        } else {
            connect(button, &QPushButton::clicked, this, &KivIMMainDlg::b_HomeClicked);
        }
    }
    bottomLayout->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addLayout(tabs);
    layout->addWidget(m_pPages, 1);
    layout->addWidget(bottom);
}

void KivIMMainDlg::ConnectModel() {
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    connect(net, &CKivFriendNetModel::AccountFriendList, this, &KivIMMainDlg::FriendListResult);
    connect(net, &CKivFriendNetModel::AccountVipList, this, &KivIMMainDlg::VipListResult);
    connect(net, &CKivFriendNetModel::AddFriendConfig, this, &KivIMMainDlg::UserAddSlots);
    connect(net, &CKivFriendNetModel::ChatMessageStored, this, &KivIMMainDlg::ChatMessageStored);
    connect(net, &CKivFriendNetModel::SendReqMedia, this, &KivIMMainDlg::ReciveReqMedia);
    connect(net, &CKivFriendNetModel::UpdateUserInfoResult, this, &KivIMMainDlg::AlterInfoResult);
    connect(net, &CKivFriendNetModel::SendCloseMedia, this, &KivIMMainDlg::CloseMediaCue);
    connect(net, &CKivFriendNetModel::AddFriendResult, this, &KivIMMainDlg::UserAddResultSlots);
    connect(net, &CKivFriendNetModel::DeleteFriendResult, this,
            &KivIMMainDlg::DeleteFriendResultSlot);
    connect(net, &CKivFriendNetModel::SendLeaveMessageSignal, this, &KivIMMainDlg::getLeaveMessage);
    connect(net, &CKivFriendNetModel::SendAddFriendSignal, this, &KivIMMainDlg::getAddFriend);
    connect(net, &CKivFriendNetModel::SetMyShowRet, this, &KivIMMainDlg::LExplainChangeResult);
    connect(this, &KivIMMainDlg::SendVipList, this, &KivIMMainDlg::SendVipListSlot);
    connect(m_pHeads, &KivHeadDownload::Stored, this, &KivIMMainDlg::HeadStored);
    connect(m_pTray, &KivMainDlgTray::FlashTimeout, this, &KivIMMainDlg::TimeEnd);
    connect(m_pTray, &KivMainDlgTray::WatchTimeout, this, &KivIMMainDlg::msg_TimerEnd);
    connect(m_pTray, &KivMainDlgTray::ShowRequested, this, &KivIMMainDlg::ShowMainDlg);
    connect(m_pTray, &KivMainDlgTray::QuitRequested, this, &KivIMMainDlg::action_quitClicked);
    connect(m_pTray, &KivMainDlgTray::Activated, this, &KivIMMainDlg::trayiconActivated);
    connect(m_pPreview.get(), &KivChatMessageWidget::ChatInfoClicked, this, [this](int uid) {
        StopFlashing();
        OpenChat(quint32(uid));
        if (!m_pUnread->Waiting().isEmpty())
            StartFlashing();
    });

    connect(m_pClose, &QPushButton::clicked, this, &KivIMMainDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &KivIMMainDlg::bMinimize_Clicked);
    connect(m_pHead, &QPushButton::clicked, this, &KivIMMainDlg::BHead_Clicked);
    connect(this, &KivIMMainDlg::SndpathStr, m_pHead, &kivFriendQPainterLabelView::getArguments);
    connect(m_pTabChat, &QPushButton::clicked, this, &KivIMMainDlg::mBchatDlgClicked);
    connect(m_pTabChat, &QPushButton::clicked, this, &KivIMMainDlg::changeDlgForChat);
    connect(m_pTabFriend, &QPushButton::clicked, this, &KivIMMainDlg::mBfriendDlgClicked);
    connect(m_pTabFriend, &QPushButton::clicked, this, &KivIMMainDlg::changeDlgForFriendList);
    connect(m_pTabVip, &QPushButton::clicked, this, &KivIMMainDlg::mBgameDlgClicked);
    connect(m_pTabVip, &QPushButton::clicked, this, &KivIMMainDlg::changeDlgForGame);
    connect(m_pSign, &QLineEdit::editingFinished, this, &KivIMMainDlg::LExplainTextChange);
    connect(m_pStateLine, &QPushButton::clicked, this, &KivIMMainDlg::ReconnectRequested);
    connect(m_pOutbox, &CKivChatOutbox::Left, this, &KivIMMainDlg::MessageLeft);
    connect(m_pUnread, &KivUnreadTracker::RefreshDue, this, &KivIMMainDlg::RefreshUnread);
    connect(m_pRequests, &KivFriendRequests::Accepted, this, &KivIMMainDlg::UserAcceptSlots);

    connect(this, &KivIMMainDlg::sndDataToListView, m_pFriendModel, &MyListModel::getData);
    connect(this, &KivIMMainDlg::cSndDataToListView, m_pChatModel, &MyListModel::getData);
    connect(this, &KivIMMainDlg::vipSndDataToListView, m_pVipModel, &MyListModel::getData);
    connect(m_pChatView, &QListView::doubleClicked, this, &KivIMMainDlg::ChatListViewDoubleClicked);
    connect(m_pFriendView, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { DClickedForRow(index.row(), false); });
    connect(m_pVipView, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { DClickedForRow(index.row(), true); });
    connect(m_pFriendView, &QListView::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowFriendMenu(m_pFriendView, pos, false); });
    connect(m_pVipView, &QListView::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowFriendMenu(m_pVipView, pos, true); });
}

void KivIMMainDlg::InitMaindlg() {
    KivPlainText::Show(m_pNickName, m_nickName.isEmpty() ? m_account : m_nickName);
    m_pSign->setText(m_sign);
    m_pSign->setToolTip(KivPlainText::ToolTip(m_sign));
    setWindowTitle(QStringLiteral("Lumo - %1").arg(m_nickName.isEmpty() ? m_account : m_nickName));
    emit SndpathStr(KivHeadPath::OrDefault(KivHeadPath::Own(m_account)));
    setWindowIcon(QIcon(QStringLiteral("Resources/skin/SysIcon.png")));

    m_pTray->Show(OnlineToolTip());

    mBfriendDlgClicked();
    changeDlgForFriendList();
    InitHotKey();
    // The user's proxy carries the head pictures from the start of the session.
    KivProxySettings::Read(KivUserSettings::FileFor(m_account)).Apply();
    // Messages an earlier session could not send go out first.
    m_pOutbox->SetOnline(m_uid);
}

QString KivIMMainDlg::OnlineToolTip() const {
    return QStringLiteral("Lumo\n%1").arg(m_nickName + QStringLiteral("(") + m_account + ')');
}

QString KivIMMainDlg::TrayToolTip() const {
    return m_pTray->ToolTip();
}

// ---- connection ------------------------------------------------------------------

void KivIMMainDlg::ConnectionLost() {
    m_pOutbox->SetOffline();
    // Updates sent on the lost connection are answered on none.
    m_awaitedAlters.clear();
    if (m_bOffline)
        return;
    m_bOffline = true;
    m_pHead->SetGreyed(true);
    m_pSign->hide();
    m_pStateLine->show();
    m_pTray->SetToolTip(QStringLiteral("Lumo\n") + m_pStateLine->text());
}

void KivIMMainDlg::ConnectionBack() {
    m_bOffline = false;
    m_pHead->SetGreyed(false);
    m_pStateLine->hide();
    m_pSign->show();
    m_pTray->SetToolTip(OnlineToolTip());
    // The friend list that follows the login takes the offline pull up again.
    m_bLeavePullStarted = false;
    m_pOutbox->SetOnline(m_uid);
}

void KivIMMainDlg::SessionEnded() {
    m_pOutbox->SetOffline();
}

void KivIMMainDlg::MessageLeft(qint64, quint32, const QString& text) {
    // A gift is paid for once, when its message has left.
    const double cost = KivChatText::GiftCost(text);
    if (cost > 0) {
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        db->SetGiftBalance(float(qMax(0.0, double(db->GetGiftBalance()) - cost)));
    }
    initChatListView(false);
}

// ---- pages ---------------------------------------------------------------------

void KivIMMainDlg::SetTabPictures(int pressed) {
    m_pTabChat->setStyleSheet(
        BorderImage(pressed == ChatPage ? "pushButton_press.png" : "pushButton.png"));
    m_pTabFriend->setStyleSheet(
        BorderImage(pressed == FriendPage ? "pushButton_2_press.png" : "pushButton_2.png"));
    m_pTabVip->setStyleSheet(
        BorderImage(pressed == VipPage ? "pushButton_3_press.png" : "pushButton_3.png"));
}

void KivIMMainDlg::mBchatDlgClicked() {
    SetTabPictures(ChatPage);
}
void KivIMMainDlg::mBfriendDlgClicked() {
    SetTabPictures(FriendPage);
}
void KivIMMainDlg::mBgameDlgClicked() {
    SetTabPictures(VipPage);
}
void KivIMMainDlg::changeDlgForChat() {
    m_pPages->setCurrentIndex(ChatPage);
}
void KivIMMainDlg::changeDlgForFriendList() {
    m_pPages->setCurrentIndex(FriendPage);
}
void KivIMMainDlg::changeDlgForGame() {
    m_pPages->setCurrentIndex(VipPage);
}
int KivIMMainDlg::CurrentPage() const {
    return m_pPages->currentIndex();
}

MyListModel* KivIMMainDlg::PageModel(Page page) const {
    switch (page) {
        case FriendPage:
            return m_pFriendModel;
        case ChatPage:
            return m_pChatModel;
        case VipPage:
            return m_pVipModel;
    }
    return nullptr;
}

QString KivIMMainDlg::HeadOf(quint32 uid, int head) const {
    return KivHeadPath::Friend(m_account, uid, head);
}

QList<QStringList> KivIMMainDlg::RowsFor(const std::vector<FriendRecord>& records) const {
    QList<QStringList> rows;
    for (const FriendRecord& record : records) {
        const KivContactProfile profile = KivContactQueries::ByUid(record.uid);
        const QString name = QString::fromUtf8(KivReadText(record.name));
        rows.append({name.isEmpty() ? profile.account : name,
                     KivHeadPath::OrDefault(HeadOf(record.uid, int(record.head))), profile.sign,
                     QString(), profile.account, QString::number(record.uid)});
    }
    return rows;
}

void KivIMMainDlg::SyncRowDelegates(QListView* view,
                                    std::vector<MyCustomListViewItemDelegate*>& delegates,
                                    int rows) {
    while (int(delegates.size()) < rows) {
        auto* delegate = new MyCustomListViewItemDelegate(view);
        view->setItemDelegateForRow(int(delegates.size()), delegate);
        delegates.push_back(delegate);
    }
    while (int(delegates.size()) > rows) {
        view->setItemDelegateForRow(int(delegates.size()) - 1, nullptr);
        delete delegates.back();
        delegates.pop_back();
    }
}

// The tips follow the unread list, whatever row each friend is on now.
void KivIMMainDlg::RefreshRowTips() {
    const std::pair<MyListModel*, std::vector<MyCustomListViewItemDelegate*>*> pages[] = {
        {m_pFriendModel, &m_friendDelegates},
        {m_pChatModel, &m_chatDelegates},
        {m_pVipModel, &m_vipDelegates}};
    for (const auto& [model, delegates] : pages) {
        const QList<QStringList>& rows = model->rows();
        for (int row = 0; row < rows.size() && row < int(delegates->size()); ++row) {
            const MyCustomListViewItemDelegate* delegate = (*delegates)[row];
            const int uid = rows[row].value(RowUid).toInt();
            const bool waiting = m_pUnread->Waits(quint32(uid));
            // A stamp not made yet shows no tip: nothing to take down.
            if (!waiting && !delegate->HasItem())
                continue;
            MyCustomListViewItem* item = delegate->item();
            if (waiting) {
                item->ShowTip(qMax(1, m_pUnread->NoteOf(quint32(uid)).count));
                item->StartBlink();
            } else {
                item->StopBlink();
                item->HideTip();
            }
        }
    }
    m_pFriendView->viewport()->update();
    m_pChatView->viewport()->update();
    m_pVipView->viewport()->update();
}

void KivIMMainDlg::FriendListResult(const tag_friend_result& list) {
    m_friends = KivFriendRecords(list);
    for (const FriendRecord& record : m_friends) {
        if (record.head >= Uint32(KivHeadPath::kFirstUploadedHead) &&
            !QFileInfo::exists(KivHeadPath::UploadedFriend(m_account, record.uid))) {
            FetchHead(record.uid);
        }
    }
    const QList<QStringList> rows = RowsFor(m_friends);
    SyncRowDelegates(m_pFriendView, m_friendDelegates, rows.size());
    emit sndDataToListView(rows);
    initListView();
    initChatListView(false);
    emit SendVipList();
    if (!m_bLeavePullStarted) {
        if (CKivFriendGetLeaveMessageModel* pull =
                CKivFriendNetModel::GetInstance()->GetLeaveWord()) {
            pull->Thread_Start();
            m_bLeavePullStarted = true;
        }
    }
}

void KivIMMainDlg::VipListResult(const tag_friend_result& list) {
    m_vips = KivFriendRecords(list);
    const QList<QStringList> rows = RowsFor(m_vips);
    SyncRowDelegates(m_pVipView, m_vipDelegates, rows.size());
    emit vipSndDataToListView(rows);
    RefreshRowTips();
}

void KivIMMainDlg::initListView() {
    CollectReceived();
    if (!m_pUnread->Waiting().isEmpty())
        StartFlashing();
    RefreshRowTips();
}

// Takes in the messages stored since the last look; each row is looked at
// once, whatever told us of it (a live message, an offline item, a login).
QSet<quint32> KivIMMainDlg::CollectReceived() {
    // Not before the session's user is known: the rows wait for the first look.
    if (m_uid == 0)
        return {};
    bool waitingBefore = false;
    const auto received = m_pUnread->Collect(m_uid, &waitingBefore);
    return TakeReceived(received, waitingBefore);
}

QSet<quint32> KivIMMainDlg::TakeReceived(const QVector<KivChatQueries::Received>& received,
                                         bool waitingBefore) {
    QSet<quint32> senders;
    for (int first = 0; first < received.size();) {
        const quint32 sender = received[first].sender;
        int end = first + 1;
        while (end < received.size() && received[end].sender == sender)
            ++end;
        CKivIMChatDlg* dialog = ChatDialog(sender);
        // What waited before this session always waits for the user.
        if (!waitingBefore && dialog->isVisible()) {
            QApplication::alert(dialog);
            for (int i = first; i < end; ++i)
                dialog->ShowFriendMessage(received[i].text);
            // Shown, also in a minimised window: it must not come back as unread.
            KivChatQueries::MarkReadUpTo(sender, m_uid, received[end - 1].id);
            m_pUnread->MarkRecent();
        } else {
            for (int i = first; i < end; ++i)
                dialog->InsertMsg(received[i].text);
            NoteUnread(sender, end - first, received[end - 1].text, received[end - 1].time);
        }
        senders.insert(sender);
        first = end;
    }
    if (!received.isEmpty())
        m_pUnread->Schedule();
    return senders;
}

// A friend's messages wait: the unread list, the count and the flashing now,
// the box, the row tips and the recent chats at the next refresh.
void KivIMMainDlg::NoteUnread(quint32 uid, int count, const QString& text, const QString& time) {
    const FriendRecord* record = FindRecord(uid);
    m_pUnread->Add(uid, record ? int(record->head) : -1, count, text, time);
    StartFlashing();
}

void KivIMMainDlg::RefreshUnread(const QSet<quint32>& box, bool recent) {
    for (quint32 uid : box) {
        if (m_pUnread->HasNote(uid))
            ShowPreviewEntry(uid);
    }
    if (recent) {
        initChatListView(false);
    } else if (!box.isEmpty()) {
        RefreshRowTips();
    }
}

void KivIMMainDlg::initChatListView(bool showPage) {
    struct Entry {
        QString time;
        QStringList row;
    };
    std::vector<Entry> entries;
    auto addAll = [&](const std::vector<FriendRecord>& records) {
        for (const FriendRecord& record : records) {
            const bool listed = std::any_of(entries.begin(), entries.end(), [&](const Entry& e) {
                return e.row.value(RowUid) == QString::number(record.uid);
            });
            if (listed)
                continue;
            const KivChatQueries::Message last = KivChatQueries::LastMessage(record.uid, m_uid);
            if (last.id == 0)
                continue;
            const QString shown = last.text.split(QLatin1Char('\n')).value(0);
            entries.push_back({last.time,
                               {QString::fromUtf8(KivReadText(record.name)),
                                KivHeadPath::OrDefault(HeadOf(record.uid, int(record.head))), shown,
                                last.time, QString(), QString::number(record.uid)}});
        }
    };
    addAll(m_friends);
    addAll(m_vips);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.time > b.time; });
    QList<QStringList> rows;
    for (const Entry& entry : entries)
        rows.append(entry.row);
    SyncRowDelegates(m_pChatView, m_chatDelegates, rows.size());
    emit cSndDataToListView(rows);
    RefreshRowTips();
    if (showPage) {
        mBchatDlgClicked();
        changeDlgForChat();
    }
}

// ---- chat dialogs and the unread list ------------------------------------------

const FriendRecord* KivIMMainDlg::FindRecord(quint32 uid) const {
    for (const std::vector<FriendRecord>* records : {&m_friends, &m_vips}) {
        for (const FriendRecord& record : *records) {
            if (record.uid == uid)
                return &record;
        }
    }
    return nullptr;
}

bool KivIMMainDlg::IsFriend(quint32 uid) const {
    return std::any_of(m_friends.begin(), m_friends.end(),
                       [uid](const FriendRecord& record) { return record.uid == uid; });
}

bool KivIMMainDlg::HasChatDialog(quint32 uid) const {
    return m_chatDialogs.find(uid) != m_chatDialogs.end();
}

// Made when first needed: most friends never get one in a session.
CKivIMChatDlg* KivIMMainDlg::ChatDialog(quint32 uid) {
    std::unique_ptr<CKivIMChatDlg>& slot = m_chatDialogs[uid];
    if (!slot) {
        slot = std::make_unique<CKivIMChatDlg>(nullptr);
        connect(this, &KivIMMainDlg::SengMsgKey, slot.get(), &CKivIMChatDlg::SendMsgKeySlot);
        InitChatFor(slot.get(), uid);
    }
    return slot.get();
}

tag_chatdlg_Need KivIMMainDlg::NeedFor(quint32 uid) const {
    tag_chatdlg_Need need;
    need.ownUid = m_uid;
    need.friendUid = uid;
    const KivContactProfile profile = KivContactQueries::ByUid(uid);
    if (const FriendRecord* record = FindRecord(uid)) {
        need.headIndex = record->head;
        need.nickName = QString::fromUtf8(KivReadText(record->name));
    } else {
        // Someone in neither list: what the database knows, else the number.
        need.headIndex = Uint32(qMax(0, profile.head));
        need.nickName = profile.nickName;
    }
    if (need.nickName.isEmpty())
        need.nickName = profile.account;
    if (need.nickName.isEmpty())
        need.nickName = QString::number(uid);
    need.account = profile.account;
    need.sign = profile.sign;
    return need;
}

void KivIMMainDlg::InitChatFor(CKivIMChatDlg* dialog, quint32 uid) {
    tag_chatdlg_Need need = NeedFor(uid);
    dialog->initChatDlg(need);
}

void KivIMMainDlg::ShowPreviewEntry(quint32 uid) {
    const tag_chatdlg_Need need = NeedFor(uid);
    const KivUnreadTracker::Note note = m_pUnread->NoteOf(uid);
    m_pPreview->insertChatInfo(int(uid), need.nickName, int(need.headIndex), int(m_uid), note.text,
                               note.time);
}

void KivIMMainDlg::EnterUnread(quint32 uid) {
    const FriendRecord* record = FindRecord(uid);
    m_pUnread->Enter(uid, record ? int(record->head) : -1);
}

void KivIMMainDlg::MessageRecive(Uint32 uid, const QByteArray& text, int length) {
    // The row is normally stored already: found with the others. A text
    // that found no row of its sender was not stored and is shown as it came.
    if (!CollectReceived().contains(uid))
        TakeText(uid, QString::fromUtf8(text.left(qBound(0, length, text.size()))));
}

void KivIMMainDlg::ChatMessageStored(Uint32 uid, qint64 rowId, const QByteArray& text) {
    if (rowId == 0) {
        TakeText(uid, QString::fromUtf8(text));
    } else if (rowId > m_pUnread->ScannedUpTo()) {
        CollectReceived();
    }
}

// A received text that has no row: shown or queued like one.
void KivIMMainDlg::TakeText(quint32 uid, const QString& text) {
    CKivIMChatDlg* dialog = ChatDialog(uid);
    if (dialog->isVisible()) {
        QApplication::alert(dialog);
        dialog->ShowFriendMessage(text);
        return;
    }
    dialog->InsertMsg(text);
    NoteUnread(
        uid, 1, text,
        QDateTime::currentDateTime().toString(QLatin1String(KivChatTimeText::kStoredFormat)));
    m_pUnread->Schedule();
}

void KivIMMainDlg::getLeaveMessage() {
    CollectReceived();
}

void KivIMMainDlg::openBeat(QList<QPair<int, int>> list, bool) {
    for (const auto& entry : std::as_const(list)) {
        EnterUnread(quint32(entry.first));
        m_pUnread->MarkBox(quint32(entry.first));
    }
    m_pUnread->Schedule();
}

void KivIMMainDlg::closeBeat(int uid) {
    m_pPreview->UpdateChatInfo(uid);
    DropFromUnread(quint32(uid));
}

void KivIMMainDlg::DropFromUnread(quint32 uid) {
    m_pUnread->Drop(uid);
    RefreshRowTips();
    if (m_pUnread->Waiting().isEmpty())
        StopFlashing();
}

void KivIMMainDlg::StartFlashing() {
    m_pTray->StartFlashing();
}

void KivIMMainDlg::StopFlashing() {
    m_pTray->StopFlashing();
}

bool KivIMMainDlg::IsFlashing() const {
    return m_pTray->IsFlashing();
}

void KivIMMainDlg::TimeEnd() {
    if (m_pUnread->Waiting().isEmpty()) {
        StopFlashing();
        return;
    }
    const auto& last = m_pUnread->Waiting().last();
    m_pTray->Flash(last.second < 0 ? KivHeadPath::DefaultHead()
                                   : HeadOf(quint32(last.first), last.second));
}

void KivIMMainDlg::OpenChat(quint32 uid) {
    CKivIMChatDlg* dialog = ChatDialog(uid);
    InitChatFor(dialog, uid);
    if (dialog->isMinimized()) {
        dialog->showNormal();
    } else {
        dialog->show();
    }
    dialog->raise();
    dialog->activateWindow();
    // What waited is in sight now. A long pile's rows are marked read once
    // the window is drawn; later rows are the next look's.
    const qint64 scanned = m_pUnread->ScannedUpTo();
    const qint64 upTo = scanned < 0 ? std::numeric_limits<qint64>::max() : scanned;
    QTimer::singleShot(0, this,
                       [this, uid, upTo] { KivChatQueries::MarkReadUpTo(uid, m_uid, upTo); });
    m_pPreview->RemoveChatInfo(int(uid));
    DropFromUnread(uid);
}

void KivIMMainDlg::DClickedForRow(int row, bool vipPage) {
    const std::vector<FriendRecord>& records = vipPage ? m_vips : m_friends;
    if (row < 0 || row >= int(records.size()))
        return;
    StopFlashing();
    OpenChat(records[size_t(row)].uid);
    if (!m_pUnread->Waiting().isEmpty())
        StartFlashing();
}

void KivIMMainDlg::ChatListViewDoubleClicked(const QModelIndex& index) {
    const QStringList row = m_pChatModel->rows().value(index.row());
    bool ok = false;
    const quint32 uid = row.value(RowUid).toUInt(&ok);
    if (!ok)
        return;
    StopFlashing();
    OpenChat(uid);
    if (!m_pUnread->Waiting().isEmpty())
        StartFlashing();
}

// ---- friends ---------------------------------------------------------------------

int KivIMMainDlg::SendRecord(const void* record, int length) {
    return CKivFriendNetModel::GetInstance()->Send_Msg(static_cast<const char*>(record), length);
}

void KivIMMainDlg::ShowTip(const QString& text) {
    KivFriendMyMessageBoxView::Tip(this, text, QStringLiteral("确定"));
}

void KivIMMainDlg::FetchHead(quint32 uid) {
    if (!m_account.isEmpty())
        m_pHeads->Fetch(uid, KivHeadPath::UploadedFriend(m_account, uid));
}

void KivIMMainDlg::HeadStored(quint32 uid, const QString& path) {
    for (MyListModel* model : {m_pFriendModel, m_pChatModel, m_pVipModel}) {
        QList<QStringList> rows = model->rows();
        for (QStringList& row : rows) {
            if (row.value(RowUid).toUInt() == uid && row.size() > RowHead)
                row[RowHead] = path;
        }
        model->getData(rows);
    }
}

void KivIMMainDlg::UserAddSlots(Uint32 uid) {
    if (!IsFriend(uid))
        FetchHead(uid);
    m_pRequests->Arrived(uid, m_uid);
}

void KivIMMainDlg::getAddFriend() {
    m_pRequests->ShowWaiting(m_uid);
}

void KivIMMainDlg::b_RequestClicked() {
    m_pRequests->ShowList();
}

void KivIMMainDlg::AddFriendFromProfile(quint32 uid) {
    if (IsFriend(uid))
        return;
    const KivContactProfile profile = KivContactQueries::ByUid(uid);
    FriendRecord record{};
    record.uid = uid;
    record.head = Uint32(qMax(0, profile.head));
    KivWriteText(record.name,
                 (profile.nickName.isEmpty() ? profile.account : profile.nickName).toUtf8());
    m_friends.push_back(record);
    if (record.head >= Uint32(KivHeadPath::kFirstUploadedHead))
        FetchHead(uid);
    const QList<QStringList> rows = RowsFor(m_friends);
    SyncRowDelegates(m_pFriendView, m_friendDelegates, rows.size());
    emit sndDataToListView(rows);
    RefreshRowTips();
}

void KivIMMainDlg::UserAddResultSlots(Uint32 uid, Uint32 result) {
    m_pRequests->Answered(uid);
    if (result == kAddAccepted) {
        AddFriendFromProfile(uid);
    } else if (result == kAddExists) {
        ShowTip(QStringLiteral("已经存在该好友"));
    } else {
        ShowTip(QStringLiteral("对方拒绝了你的好友添加"));
    }
}

void KivIMMainDlg::UserAcceptSlots(Uint32 uid) {
    AddFriendFromProfile(uid);
}

void KivIMMainDlg::DeleteFriendResultSlot(Uint32 uid, Uint32 result) {
    const bool asked = m_pendingDeletes.removeAll(uid) > 0;
    if (result != 0) {
        closeBeat(int(uid));
        auto drop = [uid](std::vector<FriendRecord>& records) {
            records.erase(std::remove_if(records.begin(), records.end(),
                                         [uid](const FriendRecord& r) { return r.uid == uid; }),
                          records.end());
        };
        drop(m_friends);
        const QList<QStringList> rows = RowsFor(m_friends);
        SyncRowDelegates(m_pFriendView, m_friendDelegates, rows.size());
        emit sndDataToListView(rows);
        initChatListView(false);
    }
    // A removal started by the other side is shown by the list alone.
    if (asked)
        ShowTip(result != 0 ? QStringLiteral("删除成功") : QStringLiteral("删除失败"));
}

void KivIMMainDlg::ShowFriendMenu(QListView* view, const QPoint& pos, bool vipPage) {
    const QModelIndex index = view->indexAt(pos);
    const std::vector<FriendRecord>& records = vipPage ? m_vips : m_friends;
    if (!index.isValid() || index.row() >= int(records.size()))
        return;
    const quint32 uid = records[size_t(index.row())].uid;
    QMenu menu(this);
    menu.addAction(QStringLiteral("发送即时消息"), this, [this, uid] { OpenChat(uid); });
    menu.addAction(QStringLiteral("查看个人资料"), this, [this, uid] {
        OpenPersonalInfo(uid, KivContactQueries::ByUid(uid).account, 2);
    });
    menu.addAction(QStringLiteral("删除好友"), this, [this, uid] { action_DelSlot(uid); });
    if (vipPage)
        menu.addAction(QStringLiteral("添加为好友"), this, [this, uid] { AddVipF(uid); });
    menu.exec(view->viewport()->mapToGlobal(pos));
}

void KivIMMainDlg::action_DelSlot(quint32 uid) {
    if (KivFriendMyMessageBoxView::Ask(this, QStringLiteral("您确定要删除该好友吗？"),
                                       QStringLiteral("确定"), QStringLiteral("取消")) != 1) {
        return;
    }
    DeleteFriendRequest request;
    KivInitRecord(request, DeleteFriend);
    request.ownUid = m_uid;
    request.friendUid = uid;
    m_pendingDeletes.append(uid);
    SendRecord(&request, sizeof(request));
}

void KivIMMainDlg::AddVipF(quint32 uid) {
    if (CKivFriendDBModel::GetInstance()->GetVipFlag() == 0) {
        ShowTip(QStringLiteral("您还不是vip，请加入VIP组。"));
        return;
    }
    KivContactProfile profile = KivContactQueries::ByUid(uid);
    const tag_chatdlg_Need need = NeedFor(uid);
    profile.uid = uid;
    if (profile.nickName.isEmpty())
        profile.nickName = need.nickName;
    if (!m_pAddFriend)
        m_pAddFriend = new CKivIMaddfriendDlg(this);
    m_pAddFriend->InitFriendInfo(ADDFriendInfo::From(
        profile, m_uid, KivSafeImage::Pixmap(HeadOf(uid, int(need.headIndex)))));
    m_pAddFriend->show();
    m_pAddFriend->raise();
}

kivPersonalInfoDlg* KivIMMainDlg::PersonalInfo(quint32 uid) {
    std::unique_ptr<kivPersonalInfoDlg>& slot = m_infoDialogs[uid];
    if (!slot) {
        slot = std::make_unique<kivPersonalInfoDlg>(nullptr);
        if (uid == m_uid) {
            connect(slot.get(), &kivPersonalInfoDlg::SndAlter, this, &KivIMMainDlg::AcceptAlter);
        } else {
            connect(slot.get(), &kivPersonalInfoDlg::SndChangeSign, this,
                    [this, uid](const QString& sign) { ShowFriendSign(uid, sign); });
        }
    }
    return slot.get();
}

// A friend's signature read from the profile: the rows of the friend and VIP
// pages and the friend's chat dialog, if one is open.
void KivIMMainDlg::ShowFriendSign(quint32 uid, const QString& sign) {
    const QString key = QString::number(uid);
    for (MyListModel* model : {m_pFriendModel, m_pVipModel}) {
        QList<QStringList> rows = model->rows();
        bool changed = false;
        for (QStringList& row : rows) {
            if (row.value(RowUid) == key && row.size() > RowText && row[RowText] != sign) {
                row[RowText] = sign;
                changed = true;
            }
        }
        if (changed)
            model->getData(rows);
    }
    const auto existing = m_chatDialogs.find(uid);
    if (existing != m_chatDialogs.end())
        existing->second->setSignText(sign);
}

void KivIMMainDlg::OpenPersonalInfo(quint32 uid, const QString& account, int mode) {
    kivPersonalInfoDlg* dialog = PersonalInfo(uid);
    dialog->InitInfo(uid, mode, account);
    dialog->show();
    dialog->raise();
}

void KivIMMainDlg::AwaitAlterInfo(QWidget* asker, AlterInfoDone done) {
    m_awaitedAlters.push_back({asker, std::move(done)});
}

void KivIMMainDlg::AlterInfoResult(Uint32 uid, Uint32 result, Uint32 version) {
    if (m_awaitedAlters.empty() || uid != m_uid)
        return;
    const AwaitedAlter awaited = m_awaitedAlters.front();
    m_awaitedAlters.pop_front();
    if (awaited.asker && awaited.done)
        awaited.done(uid, result, version);
    // Over the dialog that saved while it is shown; the head dialog hides
    // once it sent, so its answer shows over the main window.
    QWidget* over = awaited.asker && awaited.asker->isVisible() ? awaited.asker.data() : this;
    KivFriendMyMessageBoxView::Tip(
        over, result == 1 ? QStringLiteral("修改成功") : QStringLiteral("修改失败"),
        QStringLiteral("确定"));
}

void KivIMMainDlg::AcceptAlter(QStringList changed) {
    // {nick name, signature, head path}: a new head brings its path alone, a
    // saved profile both texts, where an empty signature was cleared.
    if (!changed.value(2).isEmpty()) {
        emit SndpathStr(changed.value(2));
        return;
    }
    if (!changed.value(0).isEmpty()) {
        m_nickName = changed.value(0);
        KivPlainText::Show(m_pNickName, m_nickName);
    }
    m_sign = changed.value(1);
    m_pSign->setText(m_sign);
    m_pSign->setToolTip(KivPlainText::ToolTip(m_sign));
}

// ---- own data, media, dialogs --------------------------------------------------------

void KivIMMainDlg::LExplainTextChange() {
    const QString text = m_pSign->text();
    if (text == m_sign)
        return;
    SetMyShowRecord record;
    KivInitRecord(record, SetMyShow);
    record.uid = m_uid;
    KivWriteText(record.sign, text.toUtf8());
    SendRecord(&record, sizeof(record));
}

void KivIMMainDlg::LExplainChangeResult(bool ok) {
    if (ok) {
        m_sign = m_pSign->text();
        m_pSign->setToolTip(KivPlainText::ToolTip(m_sign));
        emit SndSignToshow(m_sign);
    } else {
        m_pSign->setText(m_sign);
    }
}

void KivIMMainDlg::SendVipListSlot() {
    VipListRequest request;
    KivInitRecord(request, VipList);
    const QByteArray account = m_account.toLatin1();
    KivWriteText(request.account, account);
    request.accountLength = Uint32(qstrlen(request.account));
    SendRecord(&request, sizeof(request));
}

void KivIMMainDlg::ReciveReqMedia(const ptl_sys_send_per_media& media) {
    auto* cue = new ImMeaidCueDlg(media, this);
    connect(cue, &ImMeaidCueDlg::SndCueaccept, this, &KivIMMainDlg::MediaCueaccept);
    connect(cue, &ImMeaidCueDlg::SndCuedecline, this, &KivIMMainDlg::MediaCuedecline);
    connect(cue, &ImMeaidCueDlg::SndDelMediaCue, this, &KivIMMainDlg::DelMediaCue);
    connect(cue, &ImMeaidCueDlg::SndCallHungUp, this, &KivIMMainDlg::MediaCallHungUp);
    if (const FriendRecord* caller = FindRecord(media.callerUid))
        cue->SetCallerName(
            QString::fromUtf8(caller->name, int(qstrnlen(caller->name, sizeof(caller->name)))));
    cue->show();
}

void KivIMMainDlg::MediaCuedecline(ptl_sys_send_per_media* media) {
    m_calls->Decline(media);
}

void KivIMMainDlg::MediaCueaccept(ptl_sys_send_per_media* media, quintptr window) {
    m_calls->Accept(media, window);
}

void KivIMMainDlg::MediaCallHungUp(ptl_sys_send_per_media* answer) {
    auto* cue = qobject_cast<ImMeaidCueDlg*>(sender());
    m_calls->HungUp(*answer, cue ? cue->Request() : *answer);
}

void KivIMMainDlg::CloseMediaCue(const ptl_sys_send_per_media& media) {
    m_calls->Close(media);
}

void KivIMMainDlg::DelMediaCue(QObject* cue) {
    cue->deleteLater();
}

void KivIMMainDlg::b_CheckClicked() {
    if (!m_pCheckFriend) {
        m_pCheckFriend = new KivAddCheckFriendDlg(this);
        connect(m_pCheckFriend, &KivAddCheckFriendDlg::SndCloseSignal, this,
                &KivIMMainDlg::AcceptFriendDelete);
    }
    m_pCheckFriend->show();
    m_pCheckFriend->raise();
}

void KivIMMainDlg::AcceptFriendDelete() {
    if (m_pCheckFriend)
        m_pCheckFriend->deleteLater();
    m_pCheckFriend = nullptr;
}

void KivIMMainDlg::b_SetClicked() {
    if (!m_pSettings)
        m_pSettings = new CKivFriendSysSettingDlg(this);
    m_pSettings->show();
    m_pSettings->raise();
}

void KivIMMainDlg::b_HomeClicked() {
    QDesktopServices::openUrl(QUrl(KivDeploymentConfig().WebSite()));
}

void KivIMMainDlg::BHead_Clicked() {
    OpenPersonalInfo(m_uid, m_account, 1);
}

// ---- closing ---------------------------------------------------------------------------

void KivIMMainDlg::Logout() {
    LogoutRequest request;
    KivInitRecord(request, ::Logout);
    request.uid = CKivFriendNetModel::GetInstance()->GetUID();
    request.status = 5;
    SendRecord(&request, sizeof(request));
}

void KivIMMainDlg::bClose_Clicked() {
    if (!m_settings.contains(QStringLiteral("CloseMaindlg"))) {
        hide();
        return;
    }
    CloseMainDlgWay(m_settings.value(QStringLiteral("CloseMaindlg")));
}

void KivIMMainDlg::CloseMainDlgWay(int way) {
    if (way == 0) {
        hide();
    } else if (way == 1) {
        action_quitClicked();
    }
}

void KivIMMainDlg::action_quitClicked() {
    // What is on its way gets a moment to be confirmed; the rest goes out next time.
    m_pOutbox->Drain(kQuitDrainMs);
    Logout();
    // The server closes the connection after a logout; that is no loss to report.
    CKivFriendNetModel::GetInstance()->Stop_Thread_Work();
    m_pTray->Hide();
    close();
    QApplication::quit();
}

void KivIMMainDlg::bMinimize_Clicked() {
    showMinimized();
}

void KivIMMainDlg::ShowMainDlg() {
    BackFromEdge();
    showNormal();
    raise();
    activateWindow();
}

// ---- tray, hot keys and the screen edge ---------------------------------------------

void KivIMMainDlg::BackFromEdge() {
    m_pTray->BackFromEdge();
}

void KivIMMainDlg::trayiconActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    show();
    trayDoubleClickshowDlg();
}

void KivIMMainDlg::trayDoubleClickshowDlg() {
    BackFromEdge();
    show();
    activateWindow();
    GetMsgForHot();
}

void KivIMMainDlg::ShowmDlgForHot() {
    if (isHidden()) {
        BackFromEdge();
        show();
        raise();
        activateWindow();
    } else if (isMinimized()) {
        showNormal();
        raise();
    } else if (isVisible()) {
        hide();
    }
}

void KivIMMainDlg::HidemDlgHotSlot() {
    if (!isHidden())
        hide();
}

void KivIMMainDlg::GetMsgForHot() {
    BackFromEdge();
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    if (m_pUnread->Waiting().isEmpty())
        return;
    const quint32 uid = quint32(m_pUnread->Waiting().last().first);
    KivChatQueries::MarkRead(uid, m_uid);
    m_pTray->PauseFlashing();
    CKivIMChatDlg* dialog = ChatDialog(uid);
    InitChatFor(dialog, uid);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    closeBeat(int(uid));
    if (!m_pUnread->Waiting().isEmpty()) {
        StartFlashing();
    } else {
        StopFlashing();
    }
}

void KivIMMainDlg::msg_TimerEnd() {
    m_pTray->Watch(!m_pUnread->Waiting().isEmpty() && m_pUnread->Waiting().last().second != -1,
                   m_settings.value(QStringLiteral("MarginHide")) == 1);
}

void KivIMMainDlg::setInitSlot() {
    if (m_account.isEmpty())
        return;
    InitHotKey();
}

void KivIMMainDlg::WindowsMarginHide(int enable) {
    if (enable == 1)
        m_pTray->HideAtEdge();
}

QString KivIMMainDlg::HtmlToPlain(QTextDocument* document) {
    return KivChatText::ToPlain(document);
}

QStringList KivIMMainDlg::PlainToHtml(QString& text) {
    return KivChatText::ToHtml(text);
}

int KivIMMainDlg::InitHotKey() {
    emit SengMsgKey(m_hotKeyText.value(QStringLiteral("SndmsgKey")));
    KeepWindowsStick(m_settings.value(QStringLiteral("WindowFront")) == 1 ? 1 : 0);
    int result = 0;
    m_failedHotKeys.clear();
    struct HotKey {
        const char* textKey;
        const char* atomName;
        int* held;
        void (KivIMMainDlg::*signal)(int);
    };
    const HotKey keys[] = {
        {"ShowmDlgName", "ShowDlgHotKey", &m_showHotKeyId, &KivIMMainDlg::SndShowDlgHotId},
        {"GetmsgName", "GetmsgKey", &m_getMsgHotKeyId, &KivIMMainDlg::SndGetmsgHotId},
    };
    for (const HotKey& key : keys) {
        if (*key.held != 0) {
            KivGlobalAtom::Delete(*key.held);
            KivHotKey::Unregister(*key.held);
            *key.held = 0;
        }
        const KivHotKeyText parsed =
            KivHotKeyText::Parse(m_hotKeyText.value(QString::fromLatin1(key.textKey)));
        if (parsed.empty)
            continue;
        *key.held = KivGlobalAtom::Add(QString::fromLatin1(key.atomName)) & 0xFFFF;
        emit(this->*key.signal)(*key.held);
        if (!parsed.valid)
            continue;
        if (!KivHotKey::Register(*key.held, parsed.modifiers, parsed.virtualKey)) {
            result = -1;
            m_failedHotKeys << QString::fromLatin1(key.textKey);
        }
    }
    return result;
}

void KivIMMainDlg::KeepWindowsStick(int on) {
    const bool visible = isVisible();
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool |
                   (on != 0 ? Qt::WindowStaysOnTopHint : Qt::WindowFlags()));
    if (visible) {
        show();
        if (on == 0)
            activateWindow();
    }
}
