#include "shell/KivIMMainDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <limits>

#include "CKivChatOutbox.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivAreaList.h"
#include "KivContactQueries.h"
#include "KivDisplay.h"
#include "KivTrayClicks.h"
#include "KivUserSettings.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/KivChatText.h"
#include "chat/KivChatTimeText.h"
#include "chat/KivGifts.h"
#include "chat/KivTransfers.h"
#include "chat/tag_chatdlg_Need.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "contacts/KivAddCheckFriendDlg.h"
#include "contacts/kivPersonalInfoDlg.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/KivCallRelay.h"
#include "shell/KivChatDialogs.h"
#include "shell/KivChatMessageWidget.h"
#include "shell/KivFriendMenu.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivHistorySearch.h"
#include "shell/KivMainDlgForm.h"
#include "shell/KivMainDlgTray.h"
#include "shell/KivMessageNotices.h"
#include "shell/MyListModel.h"
#include "shell/kivFriendQPainterLabelView.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivHeadDownload.h"
#include "support/KivHeadPath.h"
#include "support/KivPlainText.h"
#include "support/KivProxySettings.h"

KivIMMainDlg* KivIMMainDlg::mainDlg = nullptr;

KivIMMainDlg::KivIMMainDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent),
      m_uid(session.User().uid),
      m_headIndex(session.User().headIndex),
      m_account(session.User().account),
      m_sign(session.User().sign),
      m_nickName(session.User().nickName),
      m_settings(session.User().settings),
      m_hotKeyText(session.User().hotKeyText),
      m_session(session) {
    setObjectName(QStringLiteral("MainDlg"));
    setWindowTitle(QStringLiteral("Lumo"));
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    resize(280, 600);
    m_pHeads = new KivHeadDownload(this);
    m_pPreview = std::make_unique<KivChatMessageWidget>(nullptr);
    m_pTray = new KivMainDlgTray(this, m_pPreview.get());
    m_pOutbox = &m_session.Outbox();
    m_pUnread = new KivUnreadTracker(this);
    m_calls = std::make_unique<KivCallRelay>(*this, m_session);
    m_pRequests = new KivFriendRequests(this, m_session,
                                        [this](quint32 uid) { return m_book.IsFriend(uid); });
    m_pMenu = new KivFriendMenu(this, m_session);
    m_pProfiles = new KivProfileDialogs(this, m_session);
    m_pSearch = new KivHistorySearch(
        this, [this](quint32 uid) { return uid == m_uid ? m_nickName : NeedFor(uid).nickName; },
        [this](quint32 uid, qint64 id, const QString& time) {
            OpenChat(uid);
            ChatDialog(uid)->ShowRecordAt(id, time);
        });
    m_pNotices = new KivMessageNotices(
        this,
        [this](quint32 uid) {
            const tag_chatdlg_Need need = NeedFor(uid);
            return KivMessageNotices::Who{need.nickName, HeadOf(uid, int(need.headIndex))};
        },
        [this](quint32 uid) { return m_dialogs->Has(uid) && ChatDialog(uid)->isActiveWindow(); },
        [this] { return m_session.User().DesktopNotify(); });
    m_pTransfers = new KivTransfers(m_session, this);
    connect(m_pTransfers, &KivTransfers::RunningChanged, this, [this] {
        if (!m_bOffline)
            m_pTray->SetToolTip(OnlineToolTip());
    });
    m_dialogs = std::make_unique<KivChatDialogs>(
        m_session, [this](quint32 uid) { return NeedFor(uid); },
        [this](CKivIMChatDlg* dialog) {
            dialog->SetTransfers(m_pTransfers);
            connect(this, &KivIMMainDlg::SengMsgKey, dialog, &CKivIMChatDlg::SendMsgKeySlot);
            connect(dialog, &CKivIMChatDlg::SendKeyChosen, this, &KivIMMainDlg::SengMsgKey);
            connect(dialog, &CKivIMChatDlg::FriendRead, this,
                    [this](quint32 uid) { closeBeat(int(uid)); });
            connect(
                dialog, &CKivIMChatDlg::ProfileWanted, this,
                [this](quint32 uid, const QString& account) { OpenPersonalInfo(uid, account, 2); });
        });
    m_form = std::make_unique<KivMainDlgForm>(this);
    m_pages = std::make_unique<KivFriendPages>(m_form->pages);
    SetBtnNumber(false);
    EnableMove(true);
    EnableResize(true);
    SetEscapeCloses(false);
    SetSkin(QStringLiteral("Resources/skin/kivimmaindlg/kivimmaindlg.qss"));
    KivAreaList::Open();
    ConnectModel();
    ConnectForm();
}

KivIMMainDlg::~KivIMMainDlg() {
    if (mainDlg == this)
        mainDlg = nullptr;
}

void KivIMMainDlg::ConnectModel() {
    CKivFriendNetModel* net = &m_session.Net();
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
    connect(m_pPreview.get(), &KivChatMessageWidget::ChatInfoClicked, this,
            [this](int uid) { OpenChatFromList(quint32(uid)); });
    connect(m_pOutbox, &CKivChatOutbox::Left, this, &KivIMMainDlg::MessageLeft);
    connect(m_pUnread, &KivUnreadTracker::RefreshDue, this, &KivIMMainDlg::RefreshUnread);
    connect(m_pRequests, &KivFriendRequests::Accepted, this, &KivIMMainDlg::UserAcceptSlots);
    connect(m_pRequests, &KivFriendRequests::Announced, m_pNotices, &KivMessageNotices::Request);
    connect(m_pNotices, &KivMessageNotices::ChatClicked, this, &KivIMMainDlg::OpenChatFromList);
    connect(m_pNotices, &KivMessageNotices::RequestClicked, this, &KivIMMainDlg::b_RequestClicked);
    connect(m_pMenu, &KivFriendMenu::ChatRequested, this, &KivIMMainDlg::OpenChat);
    connect(m_pMenu, &KivFriendMenu::ProfileRequested, this, [this](quint32 uid) {
        OpenPersonalInfo(uid, KivContactQueries::ByUid(uid).account, 2);
    });
    connect(m_pMenu, &KivFriendMenu::FriendshipRequested, this, &KivIMMainDlg::AddVipF);
    connect(m_pProfiles, &KivProfileDialogs::OwnAltered, this, &KivIMMainDlg::AcceptAlter);
    connect(m_pProfiles, &KivProfileDialogs::FriendSign, this, &KivIMMainDlg::ShowFriendSign);
}

void KivIMMainDlg::ConnectForm() {
    const KivMainDlgForm& form = *m_form;
    connect(m_pClose, &QPushButton::clicked, this, &KivIMMainDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &KivIMMainDlg::bMinimize_Clicked);
    connect(form.head, &QPushButton::clicked, this, &KivIMMainDlg::BHead_Clicked);
    connect(this, &KivIMMainDlg::SndpathStr, form.head, &kivFriendQPainterLabelView::getArguments);
    connect(form.tabChat, &QPushButton::clicked, this, &KivIMMainDlg::mBchatDlgClicked);
    connect(form.tabChat, &QPushButton::clicked, this, &KivIMMainDlg::changeDlgForChat);
    connect(form.tabFriend, &QPushButton::clicked, this, &KivIMMainDlg::mBfriendDlgClicked);
    connect(form.tabFriend, &QPushButton::clicked, this, &KivIMMainDlg::changeDlgForFriendList);
    connect(form.tabVip, &QPushButton::clicked, this, &KivIMMainDlg::mBgameDlgClicked);
    connect(form.tabVip, &QPushButton::clicked, this, &KivIMMainDlg::changeDlgForGame);
    connect(form.sign, &QLineEdit::editingFinished, this, &KivIMMainDlg::LExplainTextChange);
    connect(form.stateLine, &QPushButton::clicked, this, &KivIMMainDlg::ReconnectRequested);
    connect(form.settings, &QPushButton::clicked, this, &KivIMMainDlg::b_SetClicked);
    connect(form.check, &QPushButton::clicked, this, &KivIMMainDlg::b_CheckClicked);
    connect(form.requests, &QPushButton::clicked, this, &KivIMMainDlg::b_RequestClicked);
    connect(form.home, &QPushButton::clicked, this, &KivIMMainDlg::b_HomeClicked);
    connect(form.search, &QPushButton::clicked, m_pSearch, &KivHistorySearch::Show);

    connect(this, &KivIMMainDlg::sndDataToListView, m_pages->Model(FriendPage),
            &MyListModel::getData);
    connect(this, &KivIMMainDlg::cSndDataToListView, m_pages->Model(ChatPage),
            &MyListModel::getData);
    connect(this, &KivIMMainDlg::vipSndDataToListView, m_pages->Model(VipPage),
            &MyListModel::getData);
    // Activation is a double click, or Enter for keyboard users.
    connect(m_pages->View(ChatPage), &QListView::activated, this,
            &KivIMMainDlg::ChatListViewDoubleClicked);
    m_pages->OnRows(
        this, [this](int row, bool vip) { DClickedForRow(row, vip); },
        [this](QListView* view, const QPoint& pos, bool vip) { ShowFriendMenu(view, pos, vip); });
}

void KivIMMainDlg::InitMaindlg() {
    const QString shown = m_nickName.isEmpty() ? m_account : m_nickName;
    KivPlainText::Show(m_form->nickName, shown);
    m_form->ShowSign(m_sign);
    setWindowTitle(QStringLiteral("Lumo - %1").arg(shown));
    emit SndpathStr(KivHeadPath::OrDefault(KivHeadPath::Own(m_account)));
    setWindowIcon(QIcon(QStringLiteral("Resources/skin/SysIcon.png")));

    m_pTray->Show(OnlineToolTip());

    mBfriendDlgClicked();
    changeDlgForFriendList();
    InitHotKey();
    // The user's proxy carries the head pictures from the start of the session.
    KivProxySettings::Read(m_account).Apply();
    // Messages an earlier session could not send go out first, then the
    // files it had under way.
    m_pOutbox->SetOnline(m_uid);
    m_pTransfers->ResumeAll();
    m_pSearch->Start(m_uid);
}

QString KivIMMainDlg::OnlineToolTip() const {
    QString tip =
        QStringLiteral("Lumo\n%1").arg(m_nickName + QStringLiteral("(") + m_account + ')');
    const int running = m_pTransfers ? m_pTransfers->Running() : 0;
    if (running > 0)
        tip += QLatin1Char('\n') + tr("%n 个文件正在传输", nullptr, running);
    return tip;
}

QString KivIMMainDlg::TrayToolTip() const {
    return m_pTray->ToolTip();
}

void KivIMMainDlg::ConnectionLost() {
    m_pOutbox->SetOffline();
    m_pProfiles->ForgetAwaited();
    if (m_bOffline)
        return;
    m_bOffline = true;
    m_form->head->SetGreyed(true);
    m_form->sign->hide();
    m_form->stateLine->show();
    m_pTray->SetToolTip(QStringLiteral("Lumo\n") + m_form->stateLine->text());
}

void KivIMMainDlg::ConnectionBack() {
    m_bOffline = false;
    m_form->head->SetGreyed(false);
    m_form->stateLine->hide();
    m_form->sign->show();
    m_pTray->SetToolTip(OnlineToolTip());
    // The friend list that follows the login takes the offline pull up again.
    m_bLeavePullStarted = false;
    m_pOutbox->SetOnline(m_uid);
    m_pTransfers->ResumeAll();
}

void KivIMMainDlg::SessionEnded() {
    m_pOutbox->SetOffline();
}

void KivIMMainDlg::MessageLeft(qint64, quint32, const QString& text) {
    KivGifts(m_session).Charge(text);
    initChatListView(false);
}

void KivIMMainDlg::mBchatDlgClicked() {
    m_form->ShowTab(ChatPage);
}
void KivIMMainDlg::mBfriendDlgClicked() {
    m_form->ShowTab(FriendPage);
}
void KivIMMainDlg::mBgameDlgClicked() {
    m_form->ShowTab(VipPage);
}
void KivIMMainDlg::changeDlgForChat() {
    m_form->pages->setCurrentIndex(ChatPage);
}
void KivIMMainDlg::changeDlgForFriendList() {
    m_form->pages->setCurrentIndex(FriendPage);
}
void KivIMMainDlg::changeDlgForGame() {
    m_form->pages->setCurrentIndex(VipPage);
}
int KivIMMainDlg::CurrentPage() const {
    return m_form->pages->currentIndex();
}

MyListModel* KivIMMainDlg::PageModel(Page page) const {
    return m_pages->Model(page);
}

QString KivIMMainDlg::HeadOf(quint32 uid, int head) const {
    return KivHeadPath::Friend(m_account, uid, head);
}

// A page's rows go to its model through the page's signal, with a stamp each.
void KivIMMainDlg::ShowRows(Page page, const QList<QStringList>& rows) {
    m_pages->SyncStamps(page, rows.size());
    if (page == FriendPage) {
        emit sndDataToListView(rows);
    } else if (page == ChatPage) {
        emit cSndDataToListView(rows);
    } else {
        emit vipSndDataToListView(rows);
    }
}

void KivIMMainDlg::RefreshRowTips() {
    m_pages->RefreshTips([this](quint32 uid) {
        return m_pUnread->Waits(uid) ? qMax(1, m_pUnread->NoteOf(uid).count) : 0;
    });
}

void KivIMMainDlg::FriendListResult(const tag_friend_result& list) {
    m_book.SetFriends(KivFriendRecords(list));
    for (quint32 uid : m_book.MissingHeads(m_account))
        FetchHead(uid);
    ShowRows(FriendPage, m_book.Rows(m_book.Friends(), m_account));
    initListView();
    initChatListView(false);
    emit SendVipList();
    if (!m_bLeavePullStarted) {
        if (CKivFriendGetLeaveMessageModel* pull = m_session.Net().GetLeaveWord()) {
            pull->Thread_Start();
            m_bLeavePullStarted = true;
        }
    }
}

void KivIMMainDlg::VipListResult(const tag_friend_result& list) {
    m_book.SetVips(KivFriendRecords(list));
    ShowRows(VipPage, m_book.Rows(m_book.Vips(), m_account));
    RefreshRowTips();
}

void KivIMMainDlg::initListView() {
    CollectReceived();
    if (!m_pUnread->Waiting().isEmpty())
        m_pTray->StartFlashing();
    RefreshRowTips();
}

void KivIMMainDlg::initChatListView(bool showPage) {
    ShowRows(ChatPage, m_book.RecentRows(m_account, m_uid));
    RefreshRowTips();
    if (showPage) {
        mBchatDlgClicked();
        changeDlgForChat();
    }
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
    bool shown = false;
    for (const KivChatDialogs::Pile& pile :
         m_dialogs->Deliver(received, waitingBefore, m_uid, &shown)) {
        NoteUnread(pile.sender, pile.count, pile.lastText, pile.lastTime);
    }
    m_pNotices->Received(received);
    if (shown)
        m_pUnread->MarkRecent();
    if (!received.isEmpty())
        m_pUnread->Schedule();
    QSet<quint32> senders;
    for (const KivChatQueries::Received& row : received)
        senders.insert(row.sender);
    return senders;
}

// A friend's messages wait: the unread list, the count and the flashing now,
// the box, the row tips and the recent chats at the next refresh.
void KivIMMainDlg::NoteUnread(quint32 uid, int count, const QString& text, const QString& time) {
    const FriendRecord* record = m_book.Find(uid);
    m_pUnread->Add(uid, record ? int(record->head) : -1, count, KivChatText::Summary(text), time);
    m_pTray->StartFlashing();
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

bool KivIMMainDlg::HasChatDialog(quint32 uid) const {
    return m_dialogs->Has(uid);
}

CKivIMChatDlg* KivIMMainDlg::ChatDialog(quint32 uid) {
    return m_dialogs->Dialog(uid);
}

tag_chatdlg_Need KivIMMainDlg::NeedFor(quint32 uid) const {
    return m_book.NeedFor(uid, m_uid);
}

void KivIMMainDlg::ShowPreviewEntry(quint32 uid) {
    const tag_chatdlg_Need need = NeedFor(uid);
    const KivUnreadTracker::Note note = m_pUnread->NoteOf(uid);
    m_pPreview->insertChatInfo(int(uid), need.nickName, int(need.headIndex), int(m_uid), note.text,
                               note.time);
}

void KivIMMainDlg::EnterUnread(quint32 uid) {
    const FriendRecord* record = m_book.Find(uid);
    m_pUnread->Enter(uid, record ? int(record->head) : -1);
}

void KivIMMainDlg::MessageRecive(Uint32 uid, const QByteArray& text, int length) {
    // Normally stored already and found with the others; else shown as it came.
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
    m_pNotices->Message(uid, text);
    if (m_dialogs->DeliverText(uid, text))
        return;
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
        m_pTray->StopFlashing();
}

bool KivIMMainDlg::IsFlashing() const {
    return m_pTray->IsFlashing();
}

void KivIMMainDlg::TimeEnd() {
    if (m_pUnread->Waiting().isEmpty()) {
        m_pTray->StopFlashing();
        return;
    }
    const auto& last = m_pUnread->Waiting().last();
    m_pTray->Flash(last.second < 0 ? KivHeadPath::DefaultHead()
                                   : HeadOf(quint32(last.first), last.second));
}

void KivIMMainDlg::OpenChat(quint32 uid) {
    m_dialogs->Open(uid);
    // What waited is in sight now. A long pile's rows are marked read once
    // the window is drawn; later rows are the next look's.
    const qint64 scanned = m_pUnread->ScannedUpTo();
    const qint64 upTo = scanned < 0 ? std::numeric_limits<qint64>::max() : scanned;
    QTimer::singleShot(0, this,
                       [this, uid, upTo] { KivChatQueries::MarkReadUpTo(uid, m_uid, upTo); });
    m_pPreview->RemoveChatInfo(int(uid));
    m_pNotices->Withdraw(uid);
    DropFromUnread(uid);
}

void KivIMMainDlg::OpenChatFromList(quint32 uid) {
    m_pTray->StopFlashing();
    OpenChat(uid);
    if (!m_pUnread->Waiting().isEmpty())
        m_pTray->StartFlashing();
}

void KivIMMainDlg::DClickedForRow(int row, bool vipPage) {
    const std::vector<FriendRecord>& records = vipPage ? m_book.Vips() : m_book.Friends();
    if (row >= 0 && row < int(records.size()))
        OpenChatFromList(records[size_t(row)].uid);
}

void KivIMMainDlg::ChatListViewDoubleClicked(const QModelIndex& index) {
    const QStringList row = m_pages->Model(ChatPage)->rows().value(index.row());
    bool ok = false;
    const quint32 uid = row.value(RowUid).toUInt(&ok);
    if (ok)
        OpenChatFromList(uid);
}

void KivIMMainDlg::ShowTip(const QString& text) {
    KivFriendMyMessageBoxView::Tip(this, text, tr("确定"));
}

void KivIMMainDlg::FetchHead(quint32 uid) {
    if (!m_account.isEmpty())
        m_pHeads->Fetch(uid, KivHeadPath::UploadedFriend(m_account, uid));
}

void KivIMMainDlg::HeadStored(quint32 uid, const QString& path) {
    m_pages->SetHead(uid, path);
}

void KivIMMainDlg::UserAddSlots(Uint32 uid) {
    if (!m_book.IsFriend(uid))
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
    if (m_book.IsFriend(uid))
        return;
    const FriendRecord& record = m_book.AddFromProfile(uid);
    if (record.head >= Uint32(KivHeadPath::kFirstUploadedHead))
        FetchHead(uid);
    ShowRows(FriendPage, m_book.Rows(m_book.Friends(), m_account));
    RefreshRowTips();
}

void KivIMMainDlg::UserAddResultSlots(Uint32 uid, Uint32 result) {
    m_pRequests->Answered(uid);
    if (result == kAddAccepted) {
        AddFriendFromProfile(uid);
    } else if (result == kAddExists) {
        ShowTip(tr("已经存在该好友"));
    } else {
        ShowTip(tr("对方拒绝了你的好友添加"));
    }
}

void KivIMMainDlg::UserAcceptSlots(Uint32 uid) {
    AddFriendFromProfile(uid);
}

void KivIMMainDlg::DeleteFriendResultSlot(Uint32 uid, Uint32 result) {
    const bool asked = m_pMenu->TakeDeleteAnswer(uid);
    if (result != 0) {
        closeBeat(int(uid));
        m_book.DropFriend(uid);
        ShowRows(FriendPage, m_book.Rows(m_book.Friends(), m_account));
        initChatListView(false);
    }
    // A removal started by the other side is shown by the list alone.
    if (asked)
        ShowTip(result != 0 ? tr("删除成功") : tr("删除失败"));
}

void KivIMMainDlg::ShowFriendMenu(QListView* view, const QPoint& pos, bool vipPage) {
    const QModelIndex index = view->indexAt(pos);
    const std::vector<FriendRecord>& records = vipPage ? m_book.Vips() : m_book.Friends();
    if (!index.isValid() || index.row() >= int(records.size()))
        return;
    m_pMenu->Show(view->viewport()->mapToGlobal(pos), records[size_t(index.row())].uid, vipPage);
}

void KivIMMainDlg::AddVipF(quint32 uid) {
    const tag_chatdlg_Need need = NeedFor(uid);
    m_pMenu->OfferFriendship(uid, m_uid, need.nickName, HeadOf(uid, int(need.headIndex)));
}

kivPersonalInfoDlg* KivIMMainDlg::PersonalInfo(quint32 uid) {
    return m_pProfiles->Dialog(uid, m_uid);
}

// A friend's signature read from the profile: the rows of the friend and VIP
// pages and the friend's chat dialog, if one is open.
void KivIMMainDlg::ShowFriendSign(quint32 uid, const QString& sign) {
    m_pages->SetSign(uid, sign);
    m_dialogs->SetSign(uid, sign);
}

void KivIMMainDlg::OpenPersonalInfo(quint32 uid, const QString& account, int mode) {
    m_pProfiles->Open(uid, m_uid, account, mode);
}

void KivIMMainDlg::AwaitAlterInfo(QWidget* asker, AlterInfoDone done) {
    m_pProfiles->Await(asker, std::move(done));
}

void KivIMMainDlg::AlterInfoResult(Uint32 uid, Uint32 result, Uint32 version) {
    if (uid == m_uid)
        m_pProfiles->Answered(uid, result, version);
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
        KivPlainText::Show(m_form->nickName, m_nickName);
    }
    m_sign = changed.value(1);
    m_form->ShowSign(m_sign);
}

void KivIMMainDlg::LExplainTextChange() {
    const QString text = m_form->sign->text();
    if (text != m_sign)
        m_session.SendSign(text);
}

void KivIMMainDlg::LExplainChangeResult(bool ok) {
    if (ok) {
        m_sign = m_form->sign->text();
        emit SndSignToshow(m_sign);
    }
    m_form->ShowSign(m_sign);
}

void KivIMMainDlg::SendVipListSlot() {
    m_session.AskVipList();
}

void KivIMMainDlg::ReciveReqMedia(const ptl_sys_send_per_media& media) {
    auto* cue = new ImMeaidCueDlg(media, this, m_account);
    connect(cue, &ImMeaidCueDlg::SndCueaccept, this, &KivIMMainDlg::MediaCueaccept);
    connect(cue, &ImMeaidCueDlg::SndCuedecline, this, &KivIMMainDlg::MediaCuedecline);
    connect(cue, &ImMeaidCueDlg::SndDelMediaCue, this, &KivIMMainDlg::DelMediaCue);
    connect(cue, &ImMeaidCueDlg::SndCallHungUp, this, &KivIMMainDlg::MediaCallHungUp);
    if (const FriendRecord* caller = m_book.Find(media.callerUid))
        cue->SetCallerName(KivFriendBook::NameOf(*caller));
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
        m_pCheckFriend = new KivAddCheckFriendDlg(this, m_session);
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
    if (!m_pSettings) {
        m_pSettings = new CKivFriendSysSettingDlg(this, m_session, [this] {
            InitHotKey();
            return FailedHotKeys();
        });
        connect(m_pSettings, &CKivFriendSysSettingDlg::setInitSignal, this,
                &KivIMMainDlg::setInitSlot);
        connect(m_pSettings, &CKivFriendSysSettingDlg::HistoryCleared, this,
                [this] { initChatListView(false); });
    }
    m_pSettings->show();
    m_pSettings->raise();
}

void KivIMMainDlg::b_HomeClicked() {
    QDesktopServices::openUrl(QUrl(KivDeploymentConfig().WebSite()));
}

void KivIMMainDlg::BHead_Clicked() {
    OpenPersonalInfo(m_uid, m_account, 1);
}

void KivIMMainDlg::bClose_Clicked() {
    if (!m_settings.contains(QStringLiteral("CloseMaindlg"))) {
        PutAway();
        return;
    }
    CloseMainDlgWay(m_settings.value(QStringLiteral("CloseMaindlg")));
}

void KivIMMainDlg::PutAway() {
    // On a desktop without a tray (GNOME without its tray extension) a hidden
    // window could not be brought back: it waits in the task bar instead.
    // Without a windowing system there is neither, and it hides.
    if (KivCurrentDisplay() != KivDisplayKind::Other && !QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
    } else {
        hide();
    }
}

void KivIMMainDlg::CloseMainDlgWay(int way) {
    if (way == 0) {
        PutAway();
    } else if (way == 1) {
        action_quitClicked();
    }
}

void KivIMMainDlg::action_quitClicked() {
    // A transfer stopped now goes on at the next start, but the user decides.
    const int running = m_pTransfers->Running();
    if (running > 0 &&
        KivFriendMyMessageBoxView::Ask(
            this,
            tr("还有 %n 个文件正在传输，退出后将在下次登录时继续。确定退出吗？", nullptr, running),
            tr("退出"), tr("取消")) != 1)
        return;
    // What is on its way gets a moment to be confirmed; the rest goes out next time.
    m_pOutbox->Drain(kQuitDrainMs);
    m_session.SendLogout();
    // The server closes the connection after a logout; that is no loss to report.
    m_session.Net().Stop_Thread_Work();
    m_pTray->Hide();
    close();
    QApplication::quit();
}

void KivIMMainDlg::bMinimize_Clicked() {
    showMinimized();
}

void KivIMMainDlg::ShowMainDlg() {
    m_pTray->BringUp();
}

void KivIMMainDlg::trayiconActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick ||
        (reason == QSystemTrayIcon::Trigger && KivTrayOpensOnSingleClick()))
        trayDoubleClickshowDlg();
}

void KivIMMainDlg::trayDoubleClickshowDlg() {
    GetMsgForHot();
}

void KivIMMainDlg::ShowmDlgForHot() {
    m_pTray->ToggleWindow();
}

void KivIMMainDlg::HidemDlgHotSlot() {
    hide();
}

void KivIMMainDlg::GetMsgForHot() {
    m_pTray->BringUp();
    if (m_pUnread->Waiting().isEmpty())
        return;
    const quint32 uid = quint32(m_pUnread->Waiting().last().first);
    KivChatQueries::MarkRead(uid, m_uid);
    m_pTray->PauseFlashing();
    m_dialogs->Open(uid);
    // Leaving the unread list stops the flashing when nobody else waits.
    closeBeat(int(uid));
    if (!m_pUnread->Waiting().isEmpty())
        m_pTray->StartFlashing();
}

void KivIMMainDlg::msg_TimerEnd() {
    m_pTray->Watch(!m_pUnread->Waiting().isEmpty() && m_pUnread->Waiting().last().second != -1,
                   m_session.User().MarginHide());
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
    KeepWindowsStick(m_session.User().WindowFront() ? 1 : 0);
    const int result = m_hotKeys.Register(m_hotKeyText);
    if (m_hotKeys.ShowId() != 0)
        emit SndShowDlgHotId(m_hotKeys.ShowId());
    if (m_hotKeys.GetMsgId() != 0)
        emit SndGetmsgHotId(m_hotKeys.GetMsgId());
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
