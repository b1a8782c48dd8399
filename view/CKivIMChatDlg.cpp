#include "CKivIMChatDlg.h"

#include <QDateTime>
#include <QDebug>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSqlError>
#include <QTextBrowser>
#include <QTextEdit>
#include <QVBoxLayout>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivChatText.h"
#include "KivFriendMyMessageBoxView.h"
#include "KivHeadPath.h"
#include "KivIMMainDlg.h"
#include "KivProtocol.h"
#include "kivFriendQPainterLabelView.h"

CKivIMChatDlg::CKivIMChatDlg(QWidget* parent) : QWindowBase(parent) {
    setObjectName(QStringLiteral("CKivIMChatDlg"));
    resize(573, 533);
    setMinimumWidth(573);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("chatHeader"));
    header->setFixedHeight(96);
    m_pHead = new kivFriendQPainterLabelView(header);
    m_pHead->setGeometry(14, 12, 75, 75);
    m_pName = new QLabel(header);
    m_pName->setObjectName(QStringLiteral("personalInfoLab"));
    m_pName->setGeometry(100, 22, 360, 26);
    m_pSign = new QLabel(header);
    m_pSign->setObjectName(QStringLiteral("label_2"));
    m_pSign->setGeometry(100, 52, 420, 22);

    m_pHistory = new QTextBrowser(this);
    m_pHistory->setObjectName(QStringLiteral("listWidget"));
    m_pHistory->setOpenExternalLinks(true);
    m_pInput = new QTextEdit(this);
    m_pInput->setObjectName(QStringLiteral("textEdit"));
    m_pInput->setFixedHeight(120);
    m_pInput->installEventFilter(this);

    m_pCloseButton = new QPushButton(QStringLiteral("关闭"), this);
    m_pCloseButton->setObjectName(QStringLiteral("pushButtonClose"));
    m_pSend = new QPushButton(QStringLiteral("发送"), this);
    m_pSend->setObjectName(QStringLiteral("pushButtonSend"));
    for (QPushButton* button : {m_pCloseButton, m_pSend}) {
        button->setFixedSize(80, 30);
        button->setCursor(Qt::PointingHandCursor);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pCloseButton);
    buttons->addWidget(m_pSend);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    layout->addWidget(header);
    auto* body = new QVBoxLayout;
    body->setContentsMargins(10, 0, 10, 0);
    body->addWidget(m_pHistory, 1);
    body->addWidget(m_pInput);
    body->addLayout(buttons);
    layout->addLayout(body, 1);

    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/kivIMChatDlg/IMChatDlg.qss"));
    connect(m_pClose, &QPushButton::clicked, this, &CKivIMChatDlg::CloseChatDlg);
    connect(m_pMinimize, &QPushButton::clicked, this, &CKivIMChatDlg::bMinimize_Clicked);
    connect(m_pCloseButton, &QPushButton::clicked, this, &CKivIMChatDlg::CloseChatDlg);
    connect(m_pSend, &QPushButton::clicked, this, &CKivIMChatDlg::SendMessage);
    connect(this, &CKivIMChatDlg::SndpathStr, m_pHead, &kivFriendQPainterLabelView::getArguments);
}

void CKivIMChatDlg::initChatDlg(tag_chatdlg_Need& need) {
    m_need = need;
    setWindowTitle(need.nickName);
    m_pName->setText(need.nickName.isEmpty() ? need.account : need.nickName);
    m_pSign->setText(need.sign);
    const QString account = KivIMMainDlg::mainDlg ? KivIMMainDlg::mainDlg->m_account : QString();
    const QString head = KivHeadPath::Friend(account, need.friendUid, int(need.headIndex));
    setWindowIcon(QIcon(KivHeadPath::OrDefault(head)));
    emit SndpathStr(head);
    m_bInit = true;
}

void CKivIMChatDlg::InsertMsg(QString text) {
    m_pending.append(std::move(text));
}

void CKivIMChatDlg::ShowFriendMessage(const QString& text) {
    AppendLines(text, false);
}

void CKivIMChatDlg::AppendLines(const QString& text, bool own) {
    const QString who = own ? QStringLiteral("我") : m_pName->text();
    const QString color = own ? QStringLiteral("#2f7d32") : QStringLiteral("#2a6fc9");
    m_pHistory->append(QStringLiteral("<div style=\"color:%1\">%2 %3</div>")
                           .arg(color, who.toHtmlEscaped(),
                                QDateTime::currentDateTime().toString(QStringLiteral("hh:mm:ss"))));
    m_pHistory->append(KivChatText::ToHtml(text).join(QStringLiteral("<br/>")));
}

void CKivIMChatDlg::SendMessage() {
    const QString plain = KivChatText::ToPlain(m_pInput->document());
    if (plain.isEmpty())
        return;
    const QByteArray utf8 = plain.toUtf8();
    if (utf8.size() > 1023) {
        KivFriendMyMessageBoxView::Tip(this, QStringLiteral("消息过长"), QStringLiteral("确定"));
        return;
    }
    AppendLines(plain, true);
    ChatMessageRecord record;
    KivInitRecord(record, ChatMessage);
    record.senderUid = m_need.ownUid;
    record.receiverUid = m_need.friendUid;
    KivWriteText(record.text, utf8);
    CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&record),
                                                sizeof(record));
    m_pInput->clear();
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    db->ConnectDB();
    db->InsertMessage(reinterpret_cast<const char*>(&record));
    if (KivIMMainDlg::mainDlg)
        KivIMMainDlg::mainDlg->initChatListView(false);
}

void CKivIMChatDlg::setSignText(QString sign) {
    m_need.sign = sign;
    m_pSign->setText(sign);
}

void CKivIMChatDlg::SendMsgKeySlot(QString key) {
    if (key == QLatin1String("E"))
        m_sendMode = 1;
    if (key == QLatin1String("C"))
        m_sendMode = 2;
}

void CKivIMChatDlg::CloseChatDlg() {
    m_pInput->clear();
    hide();
}

void CKivIMChatDlg::bMinimize_Clicked() {
    showMinimized();
}

void CKivIMChatDlg::MarkRead() {
    CKivFriendSqlUtilCommon* sql = CKivFriendDBModel::GetInstance()->ConnectDB();
    if (!sql)
        return;
    QSqlQuery query(sql->database());
    if (!sql->sqlUtilExecute(QStringLiteral("update chat_message_table set isgot = 1 where "
                                            "senderuid=? AND recveruid=? AND isgot=0"),
                             query, {m_need.friendUid, m_need.ownUid})) {
        qDebug() << "执行失败" << query.lastError().text();
    }
}

bool CKivIMChatDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        MarkRead();
    if (watched == m_pInput && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return) {
            const bool ctrl = key->modifiers() & Qt::ControlModifier;
            if ((!ctrl && m_sendMode == 1) || (ctrl && m_sendMode == 2)) {
                SendMessage();
                return true;
            }
            if (ctrl && m_sendMode == 1) {
                m_pInput->setPlainText(m_pInput->toPlainText() + QLatin1Char('\n'));
                m_pInput->moveCursor(QTextCursor::End);
                return true;
            }
        }
    }
    return QWindowBase::eventFilter(watched, event);
}

void CKivIMChatDlg::resizeEvent(QResizeEvent* event) {
    QWindowBase::resizeEvent(event);
    const QPixmap background(QStringLiteral("Resources/skin/kivIMChatDlg/backImage.png"));
    if (background.isNull())
        return;
    QPalette pal = palette();
    pal.setBrush(QPalette::Window,
                 background.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    setPalette(pal);
    setAutoFillBackground(true);
}

void CKivIMChatDlg::showEvent(QShowEvent* event) {
    for (const QString& text : std::as_const(m_pending))
        AppendLines(text, false);
    m_pending.clear();
    QWindowBase::showEvent(event);
}
