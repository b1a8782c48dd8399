#include "chat/CKivIMChatDlg.h"

#include <QAction>
#include <QComboBox>
#include <QDebug>
#include <QFileInfo>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPixmapCache>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "CKivChatOutbox.h"
#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivAttachment.h"
#include "KivChatQueries.h"
#include "KivUserSettings.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/CKivIMfaceDlg.h"
#include "chat/CKivImChatRecordDlg.h"
#include "chat/KivChatAttachments.h"
#include "chat/KivChatCallLink.h"
#include "chat/KivChatInput.h"
#include "chat/KivChatText.h"
#include "chat/KivGifts.h"
#include "chat/KivTransfers.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/kivFriendQPainterLabelView.h"
#include "support/KivHeadPath.h"
#include "support/KivPlainText.h"

namespace {

const QString kSkin = QStringLiteral("Resources/skin/kivIMChatDlg/");
constexpr int kHeaderHeight = 96;
constexpr int kToolSide = 28;

void Tip(QWidget* parent, const QString& text) {
    KivFriendMyMessageBoxView::Tip(parent, text,
                                   QCoreApplication::translate("CKivIMChatDlg", "确定"));
}

}  // namespace

CKivIMChatDlg::CKivIMChatDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    setObjectName(QStringLiteral("CKivIMChatDlg"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    resize(kWidth, kHeight);
    setMinimumWidth(kWidth);

    m_pPane = new QWidget(this);
    m_pPane->setObjectName(QStringLiteral("chatPane"));
    auto* layout = new QVBoxLayout(m_pPane);
    layout->setContentsMargins(2, 0, 2, 10);
    layout->setSpacing(0);
    layout->addWidget(BuildHeader());

    m_pHistory = new CChatHistoryList(m_pPane);
    m_pHistory->setObjectName(QStringLiteral("listWidget"));
    m_pHistory->setFixedWidth(569);
    QFont listFont = m_pHistory->font();
    listFont.setPointSize(16);
    listFont.setBold(true);
    m_pHistory->setFont(listFont);
    layout->addWidget(m_pHistory, 1);
    layout->addWidget(BuildToolBar());

    m_pInputLayout = new QVBoxLayout;
    m_pInputLayout->setSpacing(0);
    m_pFontBar = BuildFontBar();
    auto* input = new KivChatInput(m_pPane);
    m_pInput = input;
    m_pInput->setObjectName(QStringLiteral("textEdit"));
    m_pInput->setAccessibleName(tr("输入消息"));
    // Tab leaves the input for the buttons: the window is used without a mouse.
    m_pInput->setTabChangesFocus(true);
    m_pInput->setFixedHeight(110);
    QFont inputFont = m_pInput->font();
    inputFont.setPointSize(12);
    m_pInput->setFont(inputFont);
    m_pInput->document()->setDefaultFont(inputFont);
    m_pInputLayout->addWidget(m_pInput);
    layout->addLayout(m_pInputLayout);
    layout->addWidget(BuildSendRow());
    m_pAttachments = new KivChatAttachments(this, input, m_pHistory);
    connect(m_pAttachments, &KivChatAttachments::Refused, this,
            [this](const QString& why) { Tip(this, why); });

    // Tab follows the window from top to bottom and left to right; the
    // tool buttons were made apart from their places in the row.
    const QList<QWidget*> order{m_pHead,    m_pHistory,       m_pFaceBtn, m_pVipBtn,
                                m_pCallBtn, m_pScreenshotBtn, m_pFileBtn, m_pHistoryBtn,
                                m_pInput,   m_pCloseButton,   m_pSend,    m_pKeyMenuBtn};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(kSkin + QStringLiteral("IMChatDlg.qss"));
    createButton();
    ConnectSignals();
    m_pName->installEventFilter(this);
    m_pInput->installEventFilter(this);
    installEventFilter(this);
}

CKivIMChatDlg::~CKivIMChatDlg() = default;

QWidget* CKivIMChatDlg::BuildHeader() {
    auto* header = new QWidget(m_pPane);
    header->setObjectName(QStringLiteral("chatHeader"));
    header->setFixedHeight(kHeaderHeight);
    m_pHead = new kivFriendQPainterLabelView(header);
    m_pHead->setObjectName(QStringLiteral("headButton"));
    m_pHead->setGeometry(12, 10, 75, 75);
    m_pName = new QLabel(header);
    m_pName->setObjectName(QStringLiteral("personalInfoLab"));
    m_pName->setFont(QFont(QStringLiteral("微软雅黑")));
    m_pName->setStyleSheet(QStringLiteral("text-align : left;color: rgb(255,255,255);"));
    m_pName->setCursor(Qt::PointingHandCursor);
    m_pName->setGeometry(100, 22, 360, 26);
    m_pSign = new QLabel(header);
    m_pSign->setObjectName(QStringLiteral("label_2"));
    m_pSign->setGeometry(100, 54, 440, 22);
    auto* spare = new QLabel(header);
    spare->setObjectName(QStringLiteral("label_3"));
    spare->hide();
    return header;
}

QPushButton* CKivIMChatDlg::ToolButton(const char* objectName, const QString& tip) {
    auto* button = new QPushButton(m_pPane);
    button->setObjectName(QLatin1String(objectName));
    button->setFixedSize(kToolSide, kToolSide);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setCursor(Qt::PointingHandCursor);
    // Reached by Tab; a click leaves the focus in the input.
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QWidget* CKivIMChatDlg::BuildToolBar() {
    auto* bar = new QWidget(m_pPane);
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setFixedHeight(38);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 5, 12, 5);
    row->setSpacing(8);
    m_pFaceBtn = ToolButton("b_FaceBtn", tr("表情"));
    m_pVipBtn = ToolButton("b_vipBtn", tr("礼物"));
    m_pFontBtn = ToolButton("b_FontBtn", tr("字体"));
    m_pScreenshotBtn = ToolButton("b_ScreenshotBtn", tr("截图"));
    QPushButton* screenshot = m_pScreenshotBtn;
    QPushButton* shake = ToolButton("b_shakeBtn", QString());
    m_pFileBtn = ToolButton("bpicBtn", tr("发送图片或文件"));
    QPushButton* picture = m_pFileBtn;
    m_pCallBtn = ToolButton("b_vidoBtn", tr("视频通话"));
    m_pHistoryBtn = ToolButton("b_historyBtn", tr("消息记录"));
    for (QPushButton* hidden : {m_pFontBtn, shake})
        hidden->hide();
    // The file buttons come after the call button, which keeps its place.
    for (QPushButton* button :
         {m_pFaceBtn, m_pVipBtn, m_pFontBtn, shake, m_pCallBtn, screenshot, picture})
        row->addWidget(button);
    row->addStretch(1);
    row->addWidget(m_pHistoryBtn);
    return bar;
}

QWidget* CKivIMChatDlg::BuildFontBar() {
    auto* bar = new QWidget(m_pPane);
    bar->setObjectName(QStringLiteral("fontBar"));
    bar->setMinimumHeight(30);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 3, 10, 3);
    row->setSpacing(6);
    m_pFontFamily = new QFontComboBox(bar);
    m_pFontFamily->setObjectName(QStringLiteral("fontComboBox"));
    m_pFontSize = new QComboBox(bar);
    m_pFontSize->setObjectName(QStringLiteral("fontSizeComboBox"));
    m_pFontFamily->setAccessibleName(tr("字体"));
    m_pFontSize->setAccessibleName(tr("字号"));
    for (int size = 9; size <= 22; ++size)
        m_pFontSize->addItem(QString::number(size));
    m_pFontSize->setCurrentText(QStringLiteral("12"));
    auto style = [bar](const char* name, const char* picture) {
        auto* button = new QPushButton(bar);
        button->setObjectName(QLatin1String(name));
        button->setFixedSize(24, 24);
        button->setStyleSheet(
            QStringLiteral("border-image:url(%1%2.png);").arg(kSkin, QLatin1String(picture)));
        return button;
    };
    m_pBold = style("bfontBoldfaceBtn", "fontBoldfaceBtn");
    m_pItalic = style("bfontItalicBtn", "fontItalicBtn");
    m_pUnderline = style("bfontUnderlineBtn", "fontUnderlineBtn");
    m_pBold->setAccessibleName(tr("粗体"));
    m_pItalic->setAccessibleName(tr("斜体"));
    m_pUnderline->setAccessibleName(tr("下划线"));
    row->addWidget(m_pFontFamily, 1);
    row->addWidget(m_pFontSize);
    row->addWidget(m_pBold);
    row->addWidget(m_pItalic);
    row->addWidget(m_pUnderline);
    bar->hide();
    return bar;
}

QWidget* CKivIMChatDlg::BuildSendRow() {
    auto* bar = new QWidget(m_pPane);
    bar->setObjectName(QStringLiteral("sendRow"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(10, 8, 12, 0);
    row->setSpacing(0);
    m_pCloseButton = new QPushButton(tr("关闭"), bar);
    m_pCloseButton->setObjectName(QStringLiteral("pushButtonClose"));
    m_pCloseButton->setFixedSize(72, 28);
    m_pSend = new QPushButton(tr("发送"), bar);
    m_pSend->setObjectName(QStringLiteral("pushButtonSend"));
    m_pSend->setFixedSize(72, 28);
    m_pKeyMenuBtn = new QPushButton(bar);
    m_pKeyMenuBtn->setObjectName(QStringLiteral("sKeyMenuBtn"));
    m_pKeyMenuBtn->setFixedSize(22, 28);
    m_pKeyMenuBtn->setToolTip(tr("发送快捷键"));
    m_pKeyMenuBtn->setAccessibleName(tr("发送快捷键"));
    for (QPushButton* button : {m_pCloseButton, m_pSend, m_pKeyMenuBtn}) {
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::TabFocus);
    }
    row->addStretch(1);
    row->addWidget(m_pCloseButton);
    row->addSpacing(10);
    row->addWidget(m_pSend);
    row->addWidget(m_pKeyMenuBtn);
    return bar;
}

void CKivIMChatDlg::ConnectSignals() {
    connect(m_pClose, &QPushButton::clicked, this, &CKivIMChatDlg::CloseChatDlg);
    connect(m_pCloseButton, &QPushButton::clicked, this, &CKivIMChatDlg::CloseChatDlg);
    connect(m_pMinimize, &QPushButton::clicked, this, &CKivIMChatDlg::bMinimize_Clicked);
    connect(m_pSend, &QPushButton::clicked, this, &CKivIMChatDlg::SendMessage);
    connect(m_pCallBtn, &QPushButton::clicked, this, &CKivIMChatDlg::OpenMedia);
    CKivFriendNetModel* net = &m_session.Net();
    connect(net, &CKivFriendNetModel::SendNoreqMedia, this, &CKivIMChatDlg::NoReqMedia);
    connect(net, &CKivFriendNetModel::SendYesreqMedia, this, &CKivIMChatDlg::YesReqMedia);
    connect(net, &CKivFriendNetModel::SendCloseMedia, this, &CKivIMChatDlg::CloseReqMedia);
    connect(m_pFontBtn, &QPushButton::clicked, this, &CKivIMChatDlg::fontChooseClickedSlot);
    connect(m_pHistoryBtn, &QPushButton::clicked, this, &CKivIMChatDlg::HistoryClick);
    connect(m_pFileBtn, &QPushButton::clicked, this, [this] { m_pAttachments->ChooseFiles(); });
    connect(m_pScreenshotBtn, &QPushButton::clicked, this,
            [this] { m_pAttachments->TakeScreenshot(); });
    connect(m_pFontFamily, &QComboBox::currentTextChanged, this,
            &CKivIMChatDlg::fontComboBox_currentFontChanged);
    connect(m_pFontSize, &QComboBox::currentTextChanged, this,
            &CKivIMChatDlg::fontSizeComboBox_currentIndexChange);
    connect(m_pBold, &QPushButton::clicked, this, &CKivIMChatDlg::bfontBoldfaceBtnClicked);
    connect(m_pItalic, &QPushButton::clicked, this, &CKivIMChatDlg::bfontItalicBtnClicked);
    connect(m_pUnderline, &QPushButton::clicked, this, &CKivIMChatDlg::bfontUnderlineBtnClicked);
    connect(m_pFaceBtn, &QPushButton::clicked, this, &CKivIMChatDlg::onFaceDialogShow);
    connect(m_pVipBtn, &QPushButton::clicked, this, &CKivIMChatDlg::OnVipDialogShow);
    connect(m_pInput, &QTextEdit::textChanged, this, &CKivIMChatDlg::OntextChanged);
    connect(m_pHistory, &CChatHistoryList::ResendRequested, this, &CKivIMChatDlg::ResendMessage);
    connect(m_pHead, &QPushButton::clicked, this, &CKivIMChatDlg::personalInfoBtnClicked);
}

void CKivIMChatDlg::initChatDlg(tag_chatdlg_Need& need) {
    m_need = need;
    setWindowTitle(need.nickName);
    KivPlainText::Show(m_pName, need.nickName);
    KivPlainText::Show(m_pSign, need.sign);
    m_pHead->setAccessibleName(tr("%1的资料").arg(need.nickName));
    const CKivSession::Own& own = m_session.User();
    const QString& account = own.account;
    const QString head = KivHeadPath::Friend(account, need.friendUid, int(need.headIndex));
    setWindowIcon(QIcon(KivHeadPath::OrDefault(head)));
    connect(this, &CKivIMChatDlg::SndpathStr, m_pHead, &kivFriendQPainterLabelView::getArguments,
            Qt::UniqueConnection);
    emit SndpathStr(head);
    // The own picture is kept per account once chosen; before that the stock one.
    QString ownHead = KivHeadPath::Own(account);
    if (!QFileInfo(ownHead).isFile() && own.headIndex < KivHeadPath::kFirstUploadedHead)
        ownHead = KivHeadPath::Stock(own.headIndex);
    m_pHistory->setHeadPaths(ownHead, head);
    m_pHistory->SetNames(own.nickName, need.nickName);
    m_bInit = true;
    if (m_pRecord)
        ShowConversationInRecord();
    m_pAttachments->SetTransfers(m_pTransfers, need.friendUid,
                                 QStringLiteral("User/%1/Received").arg(account));
    ShowKeptMessages();
}

void CKivIMChatDlg::SetTransfers(KivTransfers* transfers) {
    m_pTransfers = transfers;
    if (m_bInit)
        m_pAttachments->SetTransfers(
            transfers, m_need.friendUid,
            QStringLiteral("User/%1/Received").arg(m_session.User().account));
}

void CKivIMChatDlg::ShowFriendTexts(const QStringList& texts) {
    // Runs of ordinary texts go in at once; an announced file is a card.
    QStringList run;
    for (const QString& text : texts) {
        if (KivAttachment::LooksLikeAnnouncement(text)) {
            m_pHistory->addChatMessages(std::exchange(run, {}), false);
            if (m_pAttachments->ShowReceived(text))
                continue;
        }
        run << text;
    }
    m_pHistory->addChatMessages(run, false);
}

void CKivIMChatDlg::ShowConversationInRecord() {
    const QString ownName = m_session.User().nickName;
    m_pRecord->SetConversation(m_need.ownUid, ownName, m_need.friendUid, m_need.nickName);
}

CKivIMfaceDlg* CKivIMChatDlg::FacePicker() {
    if (!m_pFaceDlg) {
        m_pFaceOwner = std::make_unique<CKivIMfaceDlg>(nullptr, false);
        m_pFaceDlg = m_pFaceOwner.get();
        connect(m_pFaceDlg->table(), &QTableWidget::cellClicked, this,
                &CKivIMChatDlg::FaceTabelcellClickedSlot);
    }
    return m_pFaceDlg;
}

CKivIMfaceDlg* CKivIMChatDlg::GiftPicker() {
    if (!m_pGiftDlg) {
        m_pGiftDlg = new CKivIMfaceDlg(this, true);
        connect(m_pGiftDlg->table(), &QTableWidget::cellClicked, this,
                &CKivIMChatDlg::VipTabelcellClickedSlot);
    }
    return m_pGiftDlg;
}

CKivImChatRecordDlg* CKivIMChatDlg::Record() {
    if (!m_pRecord) {
        m_pRecord = new CKivImChatRecordDlg(this);
        m_pRecord->move(kWidth + 5, 121);
        m_pRecord->hide();
        if (m_bInit)
            ShowConversationInRecord();
    }
    return m_pRecord;
}

void CKivIMChatDlg::InsertMsg(QString text) {
    m_pending.append(std::move(text));
    // A bubble is never built for a text that would be trimmed at once.
    if (m_pending.size() > kMaxPending)
        m_pending.removeFirst();
}

void CKivIMChatDlg::ShowFriendMessage(const QString& text) {
    if (m_pAttachments->ShowReceived(text))
        return;
    m_pHistory->addChatMessage(text, false);
}

double CKivIMChatDlg::GiftCost() const {
    return KivChatText::GiftCost(KivChatText::ToPlain(m_pInput->document()));
}

QString CKivIMChatDlg::RefusalToSend(const QString& plain) const {
    if (plain.toUtf8().size() > kMaxTextBytes)
        return tr("消息过长");
    return KivGifts(m_session).RefusalToSend(plain);
}

void CKivIMChatDlg::SendMessage() {
    const QVector<KivChatText::Part> parts = KivChatText::ToParts(m_pInput->document());
    const bool files = std::any_of(parts.begin(), parts.end(), [](const KivChatText::Part& part) {
        return !part.attachment.isEmpty();
    });
    if (files) {
        SendWithAttachments(parts);
        return;
    }
    const QString plain = KivChatText::ToPlain(m_pInput->document());
    if (plain.isEmpty())
        return;
    const QString refusal = RefusalToSend(plain);
    if (!refusal.isEmpty()) {
        Tip(this, refusal);
        return;
    }
    if (PostText(plain))
        m_pInput->clear();
}

void CKivIMChatDlg::SendWithAttachments(const QVector<KivChatText::Part>& parts) {
    if (!m_pAttachments->CanSend()) {
        Tip(this, tr("现在无法发送文件，请稍后再试"));
        return;
    }
    // Every text is checked before anything leaves.
    for (const KivChatText::Part& part : parts) {
        const QString refusal =
            part.text.trimmed().isEmpty() ? QString() : RefusalToSend(part.text);
        if (!refusal.isEmpty()) {
            Tip(this, refusal);
            return;
        }
    }
    m_pAttachments->Send(parts, [this](const QString& text) { return PostText(text); });
    m_pInput->clear();
}

bool CKivIMChatDlg::PostText(const QString& plain) {
    // Only a message the outbox keeps is sent: it leaves the input then.
    CKivChatOutbox* outbox = &m_session.Outbox();
    const qint64 kept = outbox->Post(m_need.ownUid, m_need.friendUid, plain);
    if (kept == 0) {
        Tip(this, tr("消息无法保存到本机（磁盘已满或无法写入），未发送，请稍后重试"));
        return false;
    }
    CChatItem* item = m_pHistory->addChatMessage(plain, true);
    m_outboxItems.insert(kept, item);
    FollowOutbox(outbox);
    if (outbox->IsOnline()) {
        item->SetSending(true);
    } else {
        // A message sent while away is a reason to try the connection now.
        m_session.ReconnectNow();
    }
    return true;
}

void CKivIMChatDlg::FollowOutbox(CKivChatOutbox* outbox) {
    connect(outbox, &CKivChatOutbox::Left, this, &CKivIMChatDlg::MessageLeft, Qt::UniqueConnection);
    connect(outbox, &CKivChatOutbox::Held, this, &CKivIMChatDlg::MessageHeld, Qt::UniqueConnection);
    connect(outbox, &CKivChatOutbox::Flying, this, &CKivIMChatDlg::MessageFlying,
            Qt::UniqueConnection);
}

void CKivIMChatDlg::ShowKeptMessages() {
    CKivChatOutbox* outbox = &m_session.Outbox();
    if (m_need.friendUid == 0)
        return;
    FollowOutbox(outbox);
    m_pAttachments->ShowKept();
    for (const CKivChatOutbox::Waiting& waiting : outbox->Kept(m_need.ownUid, m_need.friendUid)) {
        if (m_outboxItems.contains(waiting.id))
            continue;
        CChatItem* item = m_pHistory->addChatMessage(waiting.text, true);
        m_outboxItems.insert(waiting.id, item);
        if (waiting.mark == CKivChatOutbox::Mark::Held)
            item->SetHeld(true);
        else if (waiting.mark == CKivChatOutbox::Mark::Flying)
            item->SetSending(true);
    }
}

void CKivIMChatDlg::MessageLeft(qint64 id) {
    if (QPointer<CChatItem> item = m_outboxItems.take(id)) {
        item->SetSending(false);
        item->SetFailed(false);
    }
}

void CKivIMChatDlg::MessageHeld(qint64 id, quint32, bool wasSent) {
    if (QPointer<CChatItem> item = m_outboxItems.value(id))
        item->SetHeld(true, wasSent);
}

void CKivIMChatDlg::MessageFlying(qint64 id) {
    if (QPointer<CChatItem> item = m_outboxItems.value(id))
        item->SetSending(true);
}

void CKivIMChatDlg::ResendMessage(CChatItem* item) {
    // Every failed message is a held one: it goes out by itself with the
    // connection, so ask for that now.
    if (item && item->IsFailed())
        m_session.ReconnectNow();
}

void CKivIMChatDlg::setSignText(QString sign) {
    m_need.sign = sign;
    KivPlainText::Show(m_pSign, sign);
}

void CKivIMChatDlg::createButton() {
    m_pKeyMenu = new QMenu(this);
    m_pKeyMenu->setObjectName(QStringLiteral("Send_selected_Menu"));
    // As wide as the skin draws it, wider when a text needs it.
    m_pKeyMenu->setMinimumWidth(184);
    m_pKeyMenu->setFixedHeight(42);
    m_pEnterAction = m_pKeyMenu->addAction(tr("按Enter键发送消息"));
    m_pCtrlEnterAction = m_pKeyMenu->addAction(tr("按Ctrl+Enter键发送消息"));
    connect(m_pEnterAction, &QAction::triggered, this, &CKivIMChatDlg::selected_EnterSlot);
    connect(m_pCtrlEnterAction, &QAction::triggered, this, &CKivIMChatDlg::selected_CEnterSlot);
    m_pKeyMenuBtn->setMenu(m_pKeyMenu);
    m_pKeyMenuBtn->setStyleSheet(QStringLiteral("QPushButton::menu-indicator{image:None;}"));
    m_pKeyMenu->setStyleSheet(QStringLiteral(
        "QMenu#Send_selected_Menu{border-image:url(Resources/skin/kivIMChatDlg/"
        "sKeyBackImage.png);}QMenu::icon{padding-left:10px;}QMenu::icon:checked{border-image:url("
        "Resources/skin/kivIMChatDlg/IsSelect.png);}QMenu::item{height:20;padding-left:30px;}"
        "QMenu::icon:selected{background: transparent;}QMenu::item:selected{background: "
        "rgba(34, 194, 176);}"));
    // A dialog made after the main window announced the key starts in the stored mode.
    const QString key = m_session.User().hotKeyText.value(QStringLiteral("SndmsgKey"));
    ApplySendMode(key == QLatin1String("C") ? 2 : 1);
}

void CKivIMChatDlg::ApplySendMode(int mode) {
    m_sendMode = mode;
    const QIcon selected(kSkin + QStringLiteral("IsSelect.png"));
    m_pEnterAction->setIcon(mode == 1 ? selected : QIcon());
    m_pCtrlEnterAction->setIcon(mode == 2 ? selected : QIcon());
}

void CKivIMChatDlg::StoreSendKey(const QString& key) {
    CKivSession::Own& own = m_session.User();
    if (!own.account.isEmpty()) {
        QSettings settings(KivUserSettings::FileFor(own.account), QSettings::IniFormat);
        settings.setValue(QStringLiteral("/HostKey/Sndmsg"), key);
    }
    own.hotKeyText[QStringLiteral("SndmsgKey")] = key;
    // Every open conversation follows the choice, as the next login would.
    emit SendKeyChosen(key);
}

void CKivIMChatDlg::selected_EnterSlot() {
    ApplySendMode(1);
    StoreSendKey(QStringLiteral("E"));
}

void CKivIMChatDlg::selected_CEnterSlot() {
    ApplySendMode(2);
    StoreSendKey(QStringLiteral("C"));
}

void CKivIMChatDlg::SendMsgKeySlot(QString key) {
    if (key == QLatin1String("E"))
        ApplySendMode(1);
    if (key == QLatin1String("C"))
        ApplySendMode(2);
}

void CKivIMChatDlg::PlacePicker(CKivIMfaceDlg* picker) {
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    const int listBottom = m_pHistory->mapTo(this, QPoint(0, m_pHistory->height())).y();
    picker->setGeometry(origin.x() - 20, origin.y() + listBottom - 300, 450, 300);
    picker->show();
    picker->raise();
}

void CKivIMChatDlg::onFaceDialogShow() {
    PlacePicker(FacePicker());
}

void CKivIMChatDlg::OnVipDialogShow() {
    PlacePicker(GiftPicker());
}

void CKivIMChatDlg::InsertPicture(CKivIMfaceDlg* picker, int row, int column, bool gift) {
    QTableWidgetItem* cell = picker->table()->item(row, column);
    if (!cell)
        return;
    const QString path = cell->text();
    if (cell->data(Qt::DecorationRole).value<QPixmap>().isNull())
        return;
    if (gift && QFileInfo(path).path() == QLatin1String("image/gift")) {
        const QString refusal =
            KivGifts(m_session).RefusalToPick(path, KivChatText::ToPlain(m_pInput->document()));
        if (!refusal.isEmpty()) {
            picker->hide();
            Tip(this, refusal);
            return;
        }
    }
    QTextImageFormat image;
    image.setName(path);
    image.setWidth(kPictureSide);
    image.setHeight(kPictureSide);
    m_pInput->textCursor().insertImage(image);
    picker->hide();
    m_pInput->setFocus();
}

void CKivIMChatDlg::FaceTabelcellClickedSlot(int row, int column) {
    InsertPicture(FacePicker(), row, column, false);
}

void CKivIMChatDlg::VipTabelcellClickedSlot(int row, int column) {
    InsertPicture(GiftPicker(), row, column, true);
}

void CKivIMChatDlg::HistoryClick() {
    if (!m_bRecordShown) {
        SetWindowSize(QSize(width() + kRecordWidth, height()));
        Record()->show();
        m_pRecord->raise();
    } else {
        SetWindowSize(QSize(width() - kRecordWidth, height()));
        Record()->hide();
    }
    m_bRecordShown = !m_bRecordShown;
}

bool CKivIMChatDlg::ShowRecordAt(qint64 id, const QString& msgTime) {
    if (!m_bRecordShown)
        HistoryClick();
    return Record()->GoToMessage(id, msgTime);
}

void CKivIMChatDlg::personalInfoBtnClicked() {
    if (m_need.friendUid != 0)
        emit ProfileWanted(m_need.friendUid, m_need.account);
}

void CKivIMChatDlg::SetCallInProgress(bool busy) {
    m_pCallBtn->setEnabled(!busy);
}

void CKivIMChatDlg::OpenMedia() {
    if (m_pCallLink == nullptr) {
        m_pCallLink = new KivChatCallLink(this, m_session);
        connect(m_pCallLink, &KivChatCallLink::CallEnded, this,
                [this] { SetCallInProgress(false); });
        // Shown later: the call window waits for the message that reported it.
        connect(
            m_pCallLink, &KivChatCallLink::RequestNotSent, this,
            [this] { Tip(this, tr("网络已断开，无法发起视频通话，请稍后再试。")); },
            Qt::QueuedConnection);
    }
    m_pCallLink->SetUsers(m_need.ownUid, m_need.friendUid);
    SetCallInProgress(true);
    if (!m_pCallLink->Open()) {
        SetCallInProgress(false);
        KivFriendMyMessageBoxView::Tip(this, tr("无法启动视频通话程序"), tr("确定"));
    }
}

// Every chat dialog hears every answer; the call link keeps to its own call.
void CKivIMChatDlg::NoReqMedia(const ptl_sys_send_per_media& media) {
    if (m_pCallLink != nullptr)
        m_pCallLink->Declined(media);
}

void CKivIMChatDlg::YesReqMedia(const ptl_sys_send_per_media& media) {
    if (m_pCallLink != nullptr)
        m_pCallLink->Accepted(media);
}

void CKivIMChatDlg::CloseReqMedia(const ptl_sys_send_per_media& media) {
    if (m_pCallLink != nullptr)
        m_pCallLink->Closed(media);
}

void CKivIMChatDlg::CloseChatDlg() {
    m_pInput->clear();
    hide();
    if (m_bRecordShown)
        SetWindowSize(QSize(width() - kRecordWidth, height()));
    m_bRecordShown = false;
    if (m_pRecord)
        m_pRecord->hide();
}

void CKivIMChatDlg::bMinimize_Clicked() {
    showMinimized();
}

void CKivIMChatDlg::fontChooseClickedSlot() {
    if (m_fontBarShown == 0) {
        m_pInputLayout->insertWidget(0, m_pFontBar);
        m_pFontBar->show();
        m_fontBarShown = 1;
    } else {
        m_pInputLayout->removeWidget(m_pFontBar);
        m_pFontBar->hide();
        m_fontBarShown = 0;
    }
}

void CKivIMChatDlg::fontComboBox_currentFontChanged(QString family) {
    m_pInput->setFontFamily(family);
    m_pInput->setFocus();
}

void CKivIMChatDlg::fontSizeComboBox_currentIndexChange(QString size) {
    m_pInput->setFontPointSize(size.toDouble());
    m_pInput->setFocus();
}

void CKivIMChatDlg::SetStyleButton(QPushButton* button, const char* picture, bool pressed) {
    button->setStyleSheet(
        QStringLiteral("border-image:url(%1%2%3.png);")
            .arg(kSkin, QLatin1String(picture), pressed ? QStringLiteral("_press") : QString()));
}

void CKivIMChatDlg::bfontBoldfaceBtnClicked() {
    textBoldPressed(m_bold == 0);
}

void CKivIMChatDlg::bfontItalicBtnClicked() {
    textItalicPressed(m_italic == 0);
}

void CKivIMChatDlg::bfontUnderlineBtnClicked() {
    textUnderLinePressed(m_underline == 0);
}

void CKivIMChatDlg::textBoldPressed(bool on) {
    m_bold = on ? 1 : 0;
    m_pInput->setFontWeight(on ? 75 : 50);
    SetStyleButton(m_pBold, "fontBoldfaceBtn", on);
    m_pInput->setFocus();
}

void CKivIMChatDlg::textItalicPressed(bool on) {
    m_italic = on ? 1 : 0;
    m_pInput->setFontItalic(on);
    SetStyleButton(m_pItalic, "fontItalicBtn", on);
    m_pInput->setFocus();
}

void CKivIMChatDlg::textUnderLinePressed(bool on) {
    m_underline = on ? 1 : 0;
    m_pInput->setFontUnderline(on);
    SetStyleButton(m_pUnderline, "fontUnderlineBtn", on);
    m_pInput->setFocus();
}

void CKivIMChatDlg::OntextChanged() {
    if (m_pInput->fontPointSize() > 0 && m_pInput->fontPointSize() < 12)
        m_pInput->setFontPointSize(12);
}

void CKivIMChatDlg::MarkRead() {
    if (m_need.friendUid == 0)
        return;
    if (!KivChatQueries::MarkRead(m_need.friendUid, m_need.ownUid)) {
        qDebug() << "执行失败";
        return;
    }
    // Whatever waited from this friend has been seen now.
    emit FriendRead(m_need.friendUid);
}

bool CKivIMChatDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && watched == this)
        MarkRead();
    if (watched == m_pName) {
        switch (event->type()) {
            case QEvent::Enter:
                m_pName->setStyleSheet(
                    QStringLiteral("text-align : left;text-decoration:underline;"));
                break;
            case QEvent::Leave:
                m_pName->setStyleSheet(
                    QStringLiteral("text-align : left;color: rgb(255,255,255);"));
                break;
            case QEvent::MouseButtonPress:
                m_pName->setStyleSheet(
                    QStringLiteral("text-align : left;text-decoration:underline;"));
                personalInfoBtnClicked();
                return true;
            default:
                break;
        }
    }
    if (watched == m_pInput && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return) {
            const bool ctrl = key->modifiers() & Qt::ControlModifier;
            if ((!ctrl && m_sendMode == 1) || (ctrl && m_sendMode == 2)) {
                SendMessage();
                return true;
            }
            if (ctrl && m_sendMode == 1) {
                // A new line at the cursor; pictures and the rest of the input stay.
                m_pInput->textCursor().insertBlock();
                m_pInput->ensureCursorVisible();
                return true;
            }
        }
    }
    return QWindowBase::eventFilter(watched, event);
}

void CKivIMChatDlg::showEvent(QShowEvent* event) {
    ShowFriendTexts(std::exchange(m_pending, {}));
    QWindowBase::showEvent(event);
    // Typing goes into the message at once, however the window was opened.
    // Once the dialog has shown: giving it a focus widget earlier makes the
    // dialog announce that widget as reached by Tab, which rings it.
    QTimer::singleShot(0, m_pInput, [this] { m_pInput->setFocus(Qt::ActiveWindowFocusReason); });
    if (m_pMinimize)
        m_pMinimize->move(width() - 65, 0);
    if (m_pClose)
        m_pClose->move(width() - 33, 0);
}

void CKivIMChatDlg::resizeEvent(QResizeEvent* event) {
    QWindowBase::resizeEvent(event);
    m_pPane->setGeometry(0, 0, kWidth, height());
    // Decoded once for every chat window, not at each resize.
    const QString backgroundFile = kSkin + QStringLiteral("backImage.png");
    QPixmap background;
    if (!QPixmapCache::find(backgroundFile, &background)) {
        background.load(backgroundFile);
        QPixmapCache::insert(backgroundFile, background);
    }
    if (background.isNull())
        return;
    QPalette pal = palette();
    pal.setBrush(QPalette::Window,
                 background.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    setPalette(pal);
    setAutoFillBackground(true);
}
