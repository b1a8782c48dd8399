#include <QDir>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "CKivChatOutbox.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivScriptedServer.h"
#include "KivTestRegistry.h"

namespace {

constexpr Uint32 kOwn = 601;
constexpr Uint32 kFriend = 602;

::LeaveMessageResult offlineChat(Uint32 rowId, const char* text) {
    ::LeaveMessageResult item;
    KivInitRecord(item, LeaveMessage);
    item.Serial = 1;
    item.ServerDBRowID = rowId;
    item.item.message.uid = kFriend;
    KivWriteText(item.item.message.time, "2026-12-01 08:00:00");
    KivWriteText(item.item.message.text, text);
    item.BufLen = Uint32(24 + std::strlen(text) + 1);
    return item;
}

::LeaveMessageResult pullEnd() {
    ::LeaveMessageResult last;
    KivInitRecord(last, LeaveMessage);
    last.endFlag = 1;
    return last;
}

}  // namespace

// When a message counts as sent, and when an offline item counts as stored:
// only the server's answer proves the first, only a commit the second.
class TestDelivery : public QObject {
    Q_OBJECT

    std::unique_ptr<KivNetModelHome> m_home;
    ScriptedServer* m_server = nullptr;
    CKivFriendNetModel* m_net = nullptr;

    // Connects to the scripted server and logs kOwn in.
    void connectAndLogin() {
        QVERIFY(m_server->connectClient(*m_net));
        ::LoginResult login;
        KivInitRecord(login, Login);
        login.uid = kOwn;
        KivWriteText(login.account, "601");
        QVERIFY(m_server->logIn(*m_net, bytesOf(login)));
        m_server->received.clear();
    }
    // The commands the server has read, after those it had.
    QList<quint32> commands() const { return m_server->commands(); }
    const LeaveMessageRequest* lastRequest() const {
        return reinterpret_cast<const LeaveMessageRequest*>(m_server->received.last().constData());
    }
    static int count(const QString& sql) {
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        return query.exec(sql) && query.next() ? query.value(0).toInt() : -1;
    }
    static bool run(const QString& sql) {
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        return query.exec(sql);
    }
    static int sentRows() {
        return count(QStringLiteral("select count(*) from chat_message_table where senderuid=601"));
    }
    static int waitingRows() {
        return count(QStringLiteral("select count(*) from chat_outbox_table"));
    }

private slots:
    void init() {
        m_home = std::make_unique<KivNetModelHome>();
        QVERIFY(m_home->isValid());
        m_server = &m_home->server();
        m_net = &m_home->net();
        connectAndLogin();
    }
    void cleanup() { m_home.reset(); }

    // The server has read the records (the kernel acknowledged them long
    // ago): they are still on their way until the answer to the request
    // that followed them arrives.
    void messageLeavesOnlyWithTheServersAnswer() {
        CKivChatOutbox outbox;
        QSignalSpy left(&outbox, &CKivChatOutbox::Left);
        outbox.SetOnline(kOwn);
        outbox.Post(kOwn, kFriend, QStringLiteral("一"));
        outbox.Post(kOwn, kFriend, QStringLiteral("二"));
        QTRY_COMPARE(commands(), (QList<quint32>{ChatMessage, LeaveMessage, ChatMessage}));
        QTest::qWait(100);
        QCOMPARE(left.count(), 0);
        QCOMPARE(outbox.InFlight(), 2);
        QCOMPARE(sentRows(), 0);
        // One request out at a time: the second message waits for the first
        // answer, then for the request that follows it.
        m_server->send(bytesOf(pullEnd()));
        QTRY_COMPARE(left.count(), 1);
        QCOMPARE(outbox.InFlight(), 1);
        QTRY_COMPARE(commands().count(LeaveMessage), 2);
        m_server->send(bytesOf(pullEnd()));
        QTRY_COMPARE(left.count(), 2);
        QCOMPARE(sentRows(), 2);
        QCOMPARE(waitingRows(), 0);
    }

    // A relay that read the records and died: nothing proves them, so they
    // wait and go out again, once, after the next login.
    void swallowedMessagesGoOutAgain() {
        CKivChatOutbox outbox;
        QSignalSpy left(&outbox, &CKivChatOutbox::Left);
        QSignalSpy held(&outbox, &CKivChatOutbox::Held);
        outbox.SetOnline(kOwn);
        outbox.Post(kOwn, kFriend, QStringLiteral("吞掉的"));
        QTRY_COMPARE(commands(), (QList<quint32>{ChatMessage, LeaveMessage}));
        m_server->peer->abort();
        QTRY_VERIFY(!m_net->IsConnected());
        outbox.SetOffline();
        QTRY_COMPARE(held.count(), 1);
        QCOMPARE(held.last().at(2).toBool(), true);
        QCOMPARE(waitingRows(), 1);
        QCOMPARE(sentRows(), 0);

        connectAndLogin();
        outbox.SetOnline(kOwn);
        QTRY_COMPARE(commands(), (QList<quint32>{ChatMessage, LeaveMessage}));
        m_server->send(bytesOf(pullEnd()));
        QTRY_COMPARE(left.count(), 1);
        QCOMPARE(sentRows(), 1);
        QCOMPARE(waitingRows(), 0);
    }

    // The answer to a confirmation may bring an offline item: a real one,
    // stored, and the pull goes on after it.
    void confirmationAnswerResumesThePull() {
        CKivChatOutbox outbox;
        QSignalSpy left(&outbox, &CKivChatOutbox::Left);
        outbox.SetOnline(kOwn);
        outbox.Post(kOwn, kFriend, QStringLiteral("你好"));
        QTRY_COMPARE(commands(), (QList<quint32>{ChatMessage, LeaveMessage}));
        QCOMPARE(lastRequest()->lastRowId, 0u);
        m_server->send(bytesOf(offlineChat(41, "离线")));
        QTRY_COMPARE(left.count(), 1);
        QTRY_COMPARE(commands().count(LeaveMessage), 2);
        QCOMPARE(lastRequest()->lastRowId, 41u);
        m_server->send(bytesOf(pullEnd()));
        QTRY_VERIFY(m_net->GetLeaveWord()->IsStopped());
        QCOMPARE(
            count(QStringLiteral("select count(*) from chat_message_table where message='离线'")),
            1);
    }

    // An item is confirmed (named by the next request) only once its row is
    // committed; one that could not be stored is asked for again later, and
    // an item the server brings twice is stored once.
    void offlineItemIsConfirmedAfterItsCommit() {
        CKivFriendGetLeaveMessageModel* puller = m_net->GetLeaveWord();
        puller->SetRetryDelayMs(50);
        QVERIFY(
            run(QStringLiteral("create trigger kiv_full before insert on chat_message_table "
                               "begin select raise(abort,'disk full'); end")));
        puller->Thread_Start();
        QTRY_COMPARE(commands(), QList<quint32>{LeaveMessage});
        m_server->send(bytesOf(offlineChat(7, "第七条")));
        // Not stored: the pull stops without naming item 7, and tries again.
        QTRY_COMPARE(commands().count(LeaveMessage), 2);
        QCOMPARE(lastRequest()->lastRowId, 0u);
        m_server->send(bytesOf(offlineChat(7, "第七条")));
        QTRY_COMPARE(commands().count(LeaveMessage), 3);
        QCOMPARE(lastRequest()->lastRowId, 0u);
        QVERIFY(run(QStringLiteral("drop trigger kiv_full")));
        m_server->send(bytesOf(offlineChat(7, "第七条")));
        QTRY_COMPARE(commands().count(LeaveMessage), 4);
        QCOMPARE(lastRequest()->lastRowId, 7u);
        // A server that sends it again.
        m_server->send(bytesOf(offlineChat(7, "第七条")));
        QTRY_COMPARE(commands().count(LeaveMessage), 5);
        m_server->send(bytesOf(pullEnd()));
        QTRY_VERIFY(puller->IsStopped());
        QCOMPARE(count(QStringLiteral("select count(*) from chat_message_table where "
                                      "message='第七条'")),
                 1);
    }

    // The server has the message but its move into the history fails: it is
    // moved later, never sent again, and counts as left once.
    void failedMoveIsRetriedAsAMove() {
        CKivChatOutbox outbox;
        QSignalSpy left(&outbox, &CKivChatOutbox::Left);
        outbox.SetOnline(kOwn);
        QVERIFY(
            run(QStringLiteral("create trigger kiv_full before insert on chat_message_table "
                               "begin select raise(abort,'disk full'); end")));
        outbox.Post(kOwn, kFriend, QStringLiteral("礼物[5]"));
        QTRY_COMPARE(commands(), (QList<quint32>{ChatMessage, LeaveMessage}));
        m_server->send(bytesOf(pullEnd()));
        QTRY_COMPARE(count(QStringLiteral("select delivered from chat_outbox_table")), 1);
        QCOMPARE(left.count(), 0);
        // Not even a new session of another outbox sends it again.
        outbox.SetOffline();
        CKivChatOutbox later;
        QSignalSpy laterLeft(&later, &CKivChatOutbox::Left);
        later.SetOnline(kOwn);
        QVERIFY(run(QStringLiteral("drop trigger kiv_full")));
        QTRY_COMPARE(laterLeft.count() + left.count(), 1);
        QTRY_COMPARE(sentRows(), 1);
        QCOMPARE(waitingRows(), 0);
        QCOMPARE(commands().count(ChatMessage), 1);
    }

    // Before the login result the server drops every record but the session's own.
    void recordsBeforeLoginAreNotSent() {
        QVERIFY(m_server->connectClient(*m_net));
        CKivChatOutbox outbox;
        outbox.SetOnline(kOwn);
        outbox.Post(kOwn, kFriend, QStringLiteral("太早"));
        QTest::qWait(100);
        QCOMPARE(outbox.InFlight(), 0);
        QCOMPARE(commands().count(ChatMessage), 0);
        QCOMPARE(waitingRows(), 1);
    }
};

KIV_TEST_CLASS(TestDelivery)
#include "tst_KivDelivery.moc"
