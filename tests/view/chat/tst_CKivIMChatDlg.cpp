#include <QSettings>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include "CKivChatOutbox.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivReconnectModel.h"
#include "KivModalCloser.h"
#include "KivRecordSink.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivUserSettings.h"
#include "KivViewTestTree.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/CKivIMfaceDlg.h"
#include "chat/CTextDocument.h"
#include "chat/KivGifts.h"
#include "shell/KivIMMainDlg.h"

namespace {

constexpr Uint32 kOwnUid = 10001;
constexpr Uint32 kFriendUid = 10002;

// The login result that gives the model its VIP flag and gift balance.
QByteArray LoginRecord(quint32 vip, float balance) {
    LoginResult record;
    KivInitRecord(record, Login);
    record.uid = kOwnUid;
    KivWriteText(record.account, "tester");
    record.giftBalance = balance;
    record.vipFlag = vip;
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

}  // namespace

// Sending, receiving and the send keys of one chat dialog against a record
// sink standing in for the server and a real chat database.
class tst_CKivIMChatDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CKivSession> m_session;
    std::unique_ptr<KivIMMainDlg> m_main;
    std::unique_ptr<CKivIMChatDlg> m_chat;
    std::unique_ptr<KivRecordSink> m_sink;

    void connectNet() {
        m_sink = std::make_unique<KivRecordSink>();
        // The wallet as it stands: the login result brings it again.
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        QVERIFY(m_sink->LogIn(kOwnUid, "tester", db->GetVipFlag(), db->GetGiftBalance()));
        m_main->Outbox()->SetOnline(kOwnUid);
    }
    void setWallet(quint32 vip, float balance) {
        bool isNew = false;
        CKivFriendDBModel::GetInstance()->UpdateUserInfor(LoginRecord(vip, balance).constData(),
                                                          isNew);
        QCOMPARE(CKivFriendDBModel::GetInstance()->GetGiftBalance(), balance);
    }
    QStringList storedFrom(Uint32 sender) {
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        query.prepare(
            QStringLiteral("select message from chat_message_table where senderuid=? order by id"));
        query.addBindValue(sender);
        query.exec();
        QStringList texts;
        while (query.next())
            texts << query.value(0).toString();
        return texts;
    }
    QStringList sentTexts() const {
        QStringList texts;
        for (const QByteArray& bytes : m_sink->records(ChatMessage)) {
            if (bytes.size() != int(sizeof(ChatMessageRecord)))
                return {QStringLiteral("wrong length %1").arg(bytes.size())};
            ChatMessageRecord record;
            memcpy(&record, bytes.constData(), sizeof(record));
            if (record.senderUid != kOwnUid || record.receiverUid != kFriendUid)
                return {QStringLiteral("wrong ids")};
            texts << QString::fromUtf8(KivReadText(record.text, sizeof(record.text)));
        }
        return texts;
    }
    void typeText(const QString& text) {
        m_chat->Input()->setPlainText(text);
        m_chat->Input()->moveCursor(QTextCursor::End);
    }
    CChatItem* lastBubble() const {
        CChatHistoryList* list = m_chat->History();
        return list->count() ? list->itemAt(list->count() - 1) : nullptr;
    }

    // A chat dialog wired to the main window as the main window wires its own.
    std::unique_ptr<CKivIMChatDlg> newChat() {
        auto chat = std::make_unique<CKivIMChatDlg>(nullptr, *m_session);
        connect(chat.get(), &CKivIMChatDlg::SendKeyChosen, m_main.get(), &KivIMMainDlg::SengMsgKey);
        return chat;
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->addPicture(QStringLiteral("image/face/12.png"));
        m_tree->addPicture(QStringLiteral("image/gift/5.png"));
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        QVERIFY(db->CreateDB(QStringLiteral("tester")));
        QVERIFY(db->ConnectDB());
        m_session = KivNewTestSession();
        m_main = std::make_unique<KivIMMainDlg>(nullptr, *m_session);
        KivIMMainDlg::mainDlg = m_main.get();
        m_main->m_uid = kOwnUid;
        m_main->m_account = QStringLiteral("tester");
        m_main->m_nickName = QStringLiteral("张三");
        m_chat = newChat();
        tag_chatdlg_Need need;
        need.ownUid = kOwnUid;
        need.friendUid = kFriendUid;
        need.headIndex = 2;
        need.nickName = QStringLiteral("李四");
        need.account = QStringLiteral("10002");
        m_chat->initChatDlg(need);
        m_chat->show();
    }
    void cleanup() {
        m_chat.reset();
        m_main.reset();
        m_session.reset();
        KivIMMainDlg::mainDlg = nullptr;
        CKivFriendNetModel::GetInstance()->Delete_Socket();
        m_sink.reset();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        m_tree.reset();
        KivViewTestTree::ForgetQuit();
    }

    void lengthLimitCountsUtf8Bytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sent");
        QTest::newRow("1023 ascii") << QString(1023, 'a') << true;
        QTest::newRow("1024 ascii") << QString(1024, 'a') << false;
        // 341 three-byte characters make 1023 bytes.
        QTest::newRow("1023 bytes chinese") << QString(341, QChar(0x4F60)) << true;
        QTest::newRow("1024 bytes chinese") << QString(341, QChar(0x4F60)) + "a" << false;
    }
    void lengthLimitCountsUtf8Bytes() {
        QFETCH(QString, text);
        QFETCH(bool, sent);
        connectNet();
        KivModalCloser closer;
        typeText(text);
        m_chat->SendMessage();
        if (sent) {
            QTRY_COMPARE(sentTexts(), QStringList{text});
            QTRY_COMPARE(storedFrom(kOwnUid), QStringList{text});
            QVERIFY(m_chat->Input()->toPlainText().isEmpty());
            QVERIFY(!lastBubble()->IsFailed());
        } else {
            QTRY_COMPARE(closer.texts(), QStringList{QStringLiteral("消息过长")});
            QCOMPARE(m_chat->Input()->toPlainText(), text);
            QVERIFY(storedFrom(kOwnUid).isEmpty());
            QCOMPARE(m_chat->History()->count(), 0);
        }
    }

    void twoLinesTravelAsOneText() {
        connectNet();
        QTextCursor cursor(m_chat->Input()->document());
        cursor.insertText(QStringLiteral("第一行"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("第二行"));
        m_chat->SendMessage();
        QTRY_COMPARE(sentTexts(), QStringList{QStringLiteral("第一行\n第二行")});
        QCOMPARE(lastBubble()->Body()->document()->blockCount(), 2);
    }

    void lineWithFacesAndAddressesShowsAll() {
        connectNet();
        typeText(QStringLiteral("hello [12] www.example.com"));
        m_chat->SendMessage();
        QTRY_COMPARE(sentTexts().size(), 1);
        const QString html = lastBubble()->Body()->toHtml();
        QVERIFY2(html.contains(QStringLiteral("image/face/12.png")), qPrintable(html));
        QVERIFY2(html.contains(QStringLiteral("href=\"www.example.com\"")), qPrintable(html));
        QVERIFY(lastBubble()->Body()->toPlainText().contains(QStringLiteral("www.example.com")));
    }

    void sendKeys_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("sends");
        QTest::newRow("enter mode, Return") << "E" << false << true;
        QTest::newRow("enter mode, Ctrl+Return") << "E" << true << false;
        QTest::newRow("ctrl mode, Return") << "C" << false << false;
        QTest::newRow("ctrl mode, Ctrl+Return") << "C" << true << true;
    }
    void sendKeys() {
        QFETCH(QString, key);
        QFETCH(bool, ctrl);
        QFETCH(bool, sends);
        connectNet();
        m_chat->SendMsgKeySlot(key);
        typeText(QStringLiteral("ab"));
        // A face before the cursor must survive a new line.
        QTextImageFormat face;
        face.setName(QStringLiteral("image/face/12.png"));
        m_chat->Input()->textCursor().insertImage(face);
        QTest::keyClick(m_chat->Input(), Qt::Key_Return,
                        ctrl ? Qt::ControlModifier : Qt::NoModifier);
        if (sends) {
            QTRY_COMPARE(sentTexts(), QStringList{QStringLiteral("ab[12]")});
        } else {
            QCOMPARE(KivIMMainDlg::HtmlToPlain(m_chat->Input()->document()),
                     QStringLiteral("ab[12]\n"));
            QCOMPARE(m_chat->History()->count(), 0);
        }
    }

    void giftPricedAtTheBalance() {
        connectNet();
        setWallet(1, 5.0f);
        KivModalCloser closer;
        m_chat->VipTabelcellClickedSlot(0, 0);
        QCOMPARE(m_chat->GiftCost(), 5.0);
        // A second one would go beyond the balance.
        m_chat->VipTabelcellClickedSlot(0, 0);
        QTRY_COMPARE(closer.texts(), QStringList{QStringLiteral("余额不足！请充值。")});
        QCOMPARE(m_chat->GiftCost(), 5.0);
        m_chat->SendMessage();
        QTRY_COMPARE(sentTexts(), QStringList{QStringLiteral("[5]")});
        QTRY_COMPARE(CKivFriendDBModel::GetInstance()->GetGiftBalance(), 0.0f);
        // A gift typed by hand is paid for as well.
        typeText(QStringLiteral("[5]"));
        m_chat->SendMessage();
        QTRY_COMPARE(closer.texts().size(), 2);
        QCOMPARE(closer.texts().last(), QStringLiteral("你的余额不够兑换礼物！"));
        QCOMPARE(sentTexts().size(), 1);
        QCOMPARE(m_chat->Input()->toPlainText().isEmpty(), false);
    }

    void giftsNeedVip() {
        setWallet(0, 100.0f);
        KivModalCloser closer;
        m_chat->VipTabelcellClickedSlot(0, 0);
        QTRY_COMPARE(closer.texts(), QStringList{QStringLiteral("您还不是vip，请加入VIP组！")});
        QCOMPARE(m_chat->GiftCost(), 0.0);
        // Typed by its name, a gift is checked when the message goes.
        typeText(QStringLiteral("[5]"));
        m_chat->SendMessage();
        QTRY_COMPARE(closer.texts().size(), 2);
        QCOMPARE(closer.texts().last(), QStringLiteral("您还不是vip，请加入VIP组！"));
        QCOMPARE(m_chat->History()->count(), 0);
        m_chat->Input()->clear();
        m_chat->FaceTabelcellClickedSlot(0, 0);
        QCOMPARE(KivIMMainDlg::HtmlToPlain(m_chat->Input()->document()), QStringLiteral("[12]"));
    }

    void heldMessageLeavesWithTheConnection() {
        setWallet(1, 5.0f);
        // No connection: the message waits in the outbox, marked, and costs nothing yet.
        m_chat->VipTabelcellClickedSlot(0, 0);
        m_chat->Input()->textCursor().insertText(QStringLiteral("送你"));
        m_chat->SendMessage();
        CChatItem* bubble = lastBubble();
        QVERIFY(bubble);
        QTRY_VERIFY(bubble->IsFailed());
        QCOMPARE(bubble->PlainText(), QStringLiteral("[5]送你"));
        QVERIFY(bubble->MarkTip().contains(QStringLiteral("连接恢复后自动发送")));
        auto* mark = bubble->findChild<QToolButton*>(QStringLiteral("failedMark"));
        QVERIFY(mark && mark->isVisibleTo(bubble));
        QCOMPARE(CKivFriendDBModel::GetInstance()->GetGiftBalance(), 5.0f);
        QVERIFY(storedFrom(kOwnUid).isEmpty());
        // A click asks for the connection at once, not at the next attempt.
        CKivReconnectModel& reconnect = m_session->Reconnect();
        reconnect.Arm("login");
        QVERIFY(reconnect.ConnectionLost());
        mark->click();
        QCOMPARE(reconnect.CurrentState(), CKivReconnectModel::State::Connecting);
        reconnect.Disarm();

        connectNet();
        QTRY_COMPARE(sentTexts(), QStringList{QStringLiteral("[5]送你")});
        // On its way first, then confirmed by the server's answer.
        QTRY_VERIFY(!bubble->IsFailed() && !bubble->IsSending());
        QVERIFY(!mark->isVisibleTo(bubble));
        QCOMPARE(CKivFriendDBModel::GetInstance()->GetGiftBalance(), 0.0f);
        QCOMPARE(storedFrom(kOwnUid), QStringList{QStringLiteral("[5]送你")});
        // Once sent, clicking again sends nothing more.
        mark->click();
        QTest::qWait(50);
        QCOMPARE(sentTexts().size(), 1);
    }

    // Gifts waiting in the outbox are spent already: the balance covers one.
    void heldGiftsCountAgainstTheBalance() {
        setWallet(1, 5.0f);
        KivModalCloser closer;
        typeText(QStringLiteral("[5]"));
        m_chat->SendMessage();
        QCOMPARE(m_chat->History()->count(), 1);
        typeText(QStringLiteral("[5]"));
        m_chat->SendMessage();
        QTRY_COMPARE(closer.texts(), QStringList{QStringLiteral("你的余额不够兑换礼物！")});
        QCOMPARE(m_chat->History()->count(), 1);
        QCOMPARE(KivGifts(*m_session).BalanceLeft(), 0.0);
        // The picker counts the held gift as well: it offers none more.
        m_chat->Input()->clear();
        m_chat->VipTabelcellClickedSlot(0, 0);
        QTRY_COMPARE(closer.texts().size(), 2);
        QCOMPARE(closer.texts().last(), QStringLiteral("余额不足！请充值。"));
        QCOMPARE(m_chat->GiftCost(), 0.0);
    }

    // A message the outbox cannot keep is not sent at all: it stays typed.
    void unkeptMessageStaysInTheInput() {
        connectNet();
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        QVERIFY(
            query.exec(QStringLiteral("create trigger kiv_full before insert on "
                                      "chat_outbox_table begin select raise(abort,'full'); end")));
        KivModalCloser closer;
        typeText(QStringLiteral("留着"));
        m_chat->SendMessage();
        QTRY_COMPARE(closer.texts().size(), 1);
        QVERIFY(closer.texts().first().contains(QStringLiteral("未发送")));
        QCOMPARE(m_chat->Input()->toPlainText(), QStringLiteral("留着"));
        QCOMPARE(m_chat->History()->count(), 0);
        QTest::qWait(50);
        QVERIFY(sentTexts().isEmpty());
        QVERIFY(query.exec(QStringLiteral("drop trigger kiv_full")));
    }

    // A window opened later (or after a restart) shows what still waits, in
    // order, with its mark; on its way it shows a clock until confirmed.
    void keptMessagesShowInANewWindow() {
        typeText(QStringLiteral("一"));
        m_chat->SendMessage();
        typeText(QStringLiteral("二"));
        m_chat->SendMessage();
        m_chat.reset();
        m_chat = newChat();
        tag_chatdlg_Need need;
        need.ownUid = kOwnUid;
        need.friendUid = kFriendUid;
        need.nickName = QStringLiteral("李四");
        m_chat->initChatDlg(need);
        m_chat->show();
        QCOMPARE(m_chat->History()->count(), 2);
        QCOMPARE(m_chat->History()->itemAt(0)->PlainText(), QStringLiteral("一"));
        QVERIFY(m_chat->History()->itemAt(1)->IsFailed());
        QVERIFY(m_chat->History()->itemAt(1)->MarkTip().contains(QStringLiteral("连接恢复")));
        connectNet();
        QTRY_COMPARE(sentTexts(), (QStringList{QStringLiteral("一"), QStringLiteral("二")}));
        QTRY_VERIFY(!m_chat->History()->itemAt(1)->IsFailed() &&
                    !m_chat->History()->itemAt(1)->IsSending());
        QCOMPARE(storedFrom(kOwnUid), (QStringList{QStringLiteral("一"), QStringLiteral("二")}));
    }

    void pendingMessagesShowInOrder() {
        m_chat->hide();
        m_chat->InsertMsg(QStringLiteral("一"));
        m_chat->InsertMsg(QStringLiteral("二"));
        m_chat->InsertMsg(QStringLiteral("三"));
        QCOMPARE(m_chat->History()->count(), 0);
        m_chat->show();
        QCOMPARE(m_chat->History()->count(), 3);
        QCOMPARE(m_chat->History()->itemAt(0)->PlainText(), QStringLiteral("一"));
        QCOMPARE(m_chat->History()->itemAt(2)->PlainText(), QStringLiteral("三"));
        QVERIFY(!m_chat->History()->itemAt(1)->IsOwn());
        QVERIFY(m_chat->PendingMessages().isEmpty());
    }

    void sendKeyChoiceIsStoredAndFollowed() {
        CKivIMChatDlg other(nullptr, *m_session);
        QObject::connect(m_main.get(), &KivIMMainDlg::SengMsgKey, &other,
                         &CKivIMChatDlg::SendMsgKeySlot);
        m_chat->selected_CEnterSlot();
        QCOMPARE(m_chat->SendMode(), 2);
        QCOMPARE(other.SendMode(), 2);
        QSettings settings(KivUserSettings::FileFor(QStringLiteral("tester")),
                           QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("HostKey/Sndmsg")).toString(), QStringLiteral("C"));
        // A dialog made later starts in the stored mode.
        CKivIMChatDlg later(nullptr, *m_session);
        QCOMPARE(later.SendMode(), 2);
        m_chat->selected_EnterSlot();
        CKivIMChatDlg last(nullptr, *m_session);
        QCOMPARE(last.SendMode(), 1);
    }

    void activationMarksTheFriendsRowsRead() {
        ChatMessageRecord record;
        KivInitRecord(record, ChatMessage);
        record.senderUid = kFriendUid;
        record.receiverUid = kOwnUid;
        KivWriteText(record.text, QByteArray("未读"));
        CKivFriendDBModel::GetInstance()->InsertMsg(reinterpret_cast<const char*>(&record));
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_chat.get(), &activate);
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        QVERIFY(
            query.exec(QStringLiteral("select count(*) from chat_message_table where isgot=0")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 0);
    }

    void recordPanelWidensTheDialog() {
        const int width = m_chat->width();
        m_chat->HistoryClick();
        QVERIFY(m_chat->IsRecordShown());
        QCOMPARE(m_chat->width(), width + CKivIMChatDlg::kRecordWidth);
        m_chat->HistoryClick();
        QCOMPARE(m_chat->width(), width);
        m_chat->HistoryClick();
        m_chat->CloseChatDlg();
        QVERIFY(!m_chat->isVisible());
        QVERIFY(!m_chat->IsRecordShown());
        QCOMPARE(m_chat->width(), width);
    }
};

KIV_TEST_CLASS(tst_CKivIMChatDlg)
#include "tst_CKivIMChatDlg.moc"
