#include <QtTest>

#include <memory>

#include "CKivDevServerProcess.h"
#include "CKivRawClient.h"
#include "KivTestRegistry.h"

// Login, the lists, chat relay, the offline pull and replacing a login.
class CKivDevServerSessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_server.start()); }

    void login_data() {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("errorCode");
        QTest::newRow("success") << "10002"
                                 << "123456" << 0 << 0;
        QTest::newRow("wrong password") << "10002"
                                        << "12345" << 1 << 2;
        QTest::newRow("empty password") << "10002"
                                        << "" << 1 << 2;
        QTest::newRow("unknown account") << "99999"
                                         << "123456" << 1 << 6;
        QTest::newRow("empty account") << ""
                                       << "123456" << 1 << 6;
    }

    void login() {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(int, result);
        QFETCH(int, errorCode);
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        client.sendLogin(account, password);
        LoginResult answer;
        QVERIFY(client.waitFor(Login, answer));
        QCOMPARE(answer.result, result);
        QCOMPARE(answer.errorCode, errorCode);
        // The friend list follows a success only; a failure keeps the connection.
        QCOMPARE(client.silentFor(FriendList, result == 0 ? 1000 : 200), result != 0);
        QVERIFY(client.connected());
    }

    void loginResultCarriesTheProfile() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        ConnectCheckRequest check;
        KivInitRecord(check, ConnectCheck);
        client.send(check);
        LoginRequest request;
        KivInitRecord(request, Login);
        KivWriteText(request.account, "10003");
        // Upper-case hex is the same digest.
        KivWriteText(request.password,
                     QCryptographicHash::hash("123456", QCryptographicHash::Md5).toHex().toUpper());
        client.send(request);
        const QByteArray bytes = client.waitFor(Login);
        QCOMPARE(bytes.size(), 1028);
        LoginResult result;
        std::memcpy(&result, bytes.constData(), sizeof(result));
        QCOMPARE(result.result, 0);
        QCOMPARE(result.uid, 10003u);
        QCOMPARE(QString::fromUtf8(KivReadText(result.nickName)), QStringLiteral("王五"));
        QCOMPARE(result.vipFlag, 1u);
        QCOMPARE(result.giftBalance, 888.0f);
        QCOMPARE(KivReadText(result.headAdd), QByteArray("3"));
    }

    void friendListArrivesUnasked() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10002"), QStringLiteral("123456")));
        auto list = std::make_unique<FriendListResult>();
        QVERIFY(client.waitFor(FriendList, *list));
        const std::vector<FriendRecord> friends = KivFriendRecords(list->list);
        QCOMPARE(friends.size(), size_t(3));
        QCOMPARE(friends[0].uid, 10001u);
        QCOMPARE(QString::fromUtf8(KivReadText(friends[0].name)), QStringLiteral("张三"));
        QCOMPARE(friends[2].uid, 10004u);

        client.sendVipList();
        auto vips = std::make_unique<VipListResult>();
        QVERIFY(client.waitFor(VipList, *vips));
        const std::vector<FriendRecord> vipUsers = KivFriendRecords(vips->list);
        QCOMPARE(vipUsers.size(), size_t(1));
        QCOMPARE(vipUsers[0].uid, 10003u);
    }

    void chatReachesAnOnlineUserAtOnce() {
        CKivRawClient sender;
        CKivRawClient receiver;
        QVERIFY(sender.connectTo(m_server.tcpPort()));
        QVERIFY(receiver.connectTo(m_server.tcpPort()));
        QVERIFY(sender.login(QStringLiteral("10002"), QStringLiteral("123456")));
        QVERIFY(receiver.login(QStringLiteral("10004"), QStringLiteral("123456")));
        const QByteArray text = QByteArray("第一行\n[微笑]") + QByteArray(1000, 'x');
        sender.sendChat(10004, text);
        ChatMessageRecord chat;
        QVERIFY(receiver.waitFor(ChatMessage, chat));
        QCOMPARE(chat.senderUid, 10002u);
        QCOMPARE(chat.receiverUid, 10004u);
        QCOMPARE(KivReadText(chat.text), text);
        // Nothing is kept for the offline pull.
        receiver.sendLeaveRequest(0);
        LeaveMessageResult end;
        QVERIFY(receiver.waitFor(LeaveMessage, end));
        QVERIFY(end.endFlag != 0);
    }

    void chatToAnOfflineUserWaitsForThePull() {
        {
            CKivRawClient sender;
            QVERIFY(sender.connectTo(m_server.tcpPort()));
            QVERIFY(sender.login(QStringLiteral("10004"), QStringLiteral("123456")));
            sender.sendChat(10005, "one");
            sender.sendChat(10005, "two");
            // An answer to a later record shows the chats were handled.
            sender.sendVipList();
            QVERIFY(!sender.waitFor(VipList).isEmpty());
        }
        CKivRawClient receiver;
        QVERIFY(receiver.connectTo(m_server.tcpPort()));
        QVERIFY(receiver.login(QStringLiteral("10005"), QStringLiteral("123456")));
        QCOMPARE(pullAll(receiver), QStringList({"1:10004:one", "1:10004:two"}));

        // Pulled items do not come again with the next login.
        CKivRawClient again;
        QVERIFY(again.connectTo(m_server.tcpPort()));
        QVERIFY(again.login(QStringLiteral("10005"), QStringLiteral("123456")));
        QCOMPARE(pullAll(again), QStringList());
    }

    void anInterruptedPullResumesAfterWhatWasAcknowledged() {
        {
            CKivRawClient sender;
            QVERIFY(sender.connectTo(m_server.tcpPort()));
            QVERIFY(sender.login(QStringLiteral("10004"), QStringLiteral("123456")));
            for (const char* text : {"one", "two", "three"}) {
                sender.sendChat(10005, text);
            }
            sender.sendVipList();
            QVERIFY(!sender.waitFor(VipList).isEmpty());
        }
        {
            // Takes "one", acknowledges it by asking for the next, and drops
            // the connection with "two" unacknowledged.
            CKivRawClient receiver;
            QVERIFY(receiver.connectTo(m_server.tcpPort()));
            QVERIFY(receiver.login(QStringLiteral("10005"), QStringLiteral("123456")));
            receiver.sendLeaveRequest(0);
            auto first = std::make_unique<LeaveMessageResult>();
            QVERIFY(receiver.waitFor(LeaveMessage, *first));
            receiver.sendLeaveRequest(first->ServerDBRowID);
            auto second = std::make_unique<LeaveMessageResult>();
            QVERIFY(receiver.waitFor(LeaveMessage, *second));
            QCOMPARE(KivReadText(second->item.message.text), QByteArray("two"));
        }
        CKivRawClient again;
        QVERIFY(again.connectTo(m_server.tcpPort()));
        QVERIFY(again.login(QStringLiteral("10005"), QStringLiteral("123456")));
        QCOMPARE(pullAll(again), QStringList({"1:10004:two", "1:10004:three"}));
    }

    void seededItemsComeInOrderAndEndWithTheEndFlag() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10001"), QStringLiteral("123456")));
        QCOMPARE(pullAll(client),
                 QStringList({QStringLiteral("1:10002:你好，在吗？"),
                              QStringLiteral("1:10003:明天一起吃饭吧[微笑]\n老地方见"),
                              QStringLiteral("2:10005:我是小明，加个好友吧")}));
    }

    void secondLoginSendsTheFirstAwayWithErrorZero() {
        CKivRawClient first;
        QVERIFY(first.connectTo(m_server.tcpPort()));
        QVERIFY(first.login(QStringLiteral("10003"), QStringLiteral("123456")));
        CKivRawClient second;
        QVERIFY(second.connectTo(m_server.tcpPort()));
        QVERIFY(second.login(QStringLiteral("10003"), QStringLiteral("123456")));
        LoginResult kicked;
        QVERIFY(first.waitFor(Login, kicked));
        QVERIFY(kicked.result != 0);
        QCOMPARE(kicked.errorCode, 0);
        QVERIFY(first.waitForDisconnected());

        // Chat now goes to the second connection.
        CKivRawClient sender;
        QVERIFY(sender.connectTo(m_server.tcpPort()));
        QVERIFY(sender.login(QStringLiteral("10002"), QStringLiteral("123456")));
        sender.sendChat(10003, "still there?");
        QVERIFY(!second.waitFor(ChatMessage).isEmpty());
    }

    void heartbeatIsRecorded() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10004"), QStringLiteral("123456")));
        HeartbeatRequest beat;
        KivInitRecord(beat, Heartbeat);
        beat.uid = client.uid();
        client.send(beat);
        QVERIFY(m_server.waitForLog(QStringLiteral("heartbeat from uid 10004")));
    }

    void logoutClosesTheConnection() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10004"), QStringLiteral("123456")));
        LogoutRequest logout;
        KivInitRecord(logout, Logout);
        logout.uid = client.uid();
        logout.status = 5;
        client.send(logout);
        QVERIFY(client.waitForDisconnected());
    }

private:
    // Pulls until the end flag: "kind:sender:text" per item.
    static QStringList pullAll(CKivRawClient& client) {
        QStringList items;
        std::uint32_t last = 0;
        for (int round = 0; round < 20; ++round) {
            client.sendLeaveRequest(last);
            auto result = std::make_unique<LeaveMessageResult>();
            if (!client.waitFor(LeaveMessage, *result)) {
                return {QStringLiteral("timeout")};
            }
            if (result->endFlag != 0) {
                return items;
            }
            if (result->ServerDBRowID <= last) {
                return {QStringLiteral("row ids not rising")};
            }
            last = result->ServerDBRowID;
            if (result->Serial == 1) {
                const tag_leave_message& message = result->item.message;
                items << QStringLiteral("1:%1:%2")
                             .arg(message.uid)
                             .arg(QString::fromUtf8(KivReadText(message.text)));
            } else {
                const AddFriendPushRecord& request = result->item.request;
                items << QStringLiteral("2:%1:%2")
                             .arg(request.fromUid)
                             .arg(QString::fromUtf8(KivReadText(request.requestText)));
            }
        }
        return {QStringLiteral("no end flag")};
    }

    CKivDevServerProcess m_server;
};

KIV_TEST_CLASS(CKivDevServerSessionTest)
#include "tst_CKivDevServerSession.moc"
