#include <QtTest>

#include <memory>

#include "CKivDevServerProcess.h"
#include "CKivRawClient.h"
#include "KivTestRegistry.h"

namespace {

const QString kPassword = QStringLiteral("123456");

std::vector<std::uint32_t> friendUids(CKivRawClient& client) {
    auto list = std::make_unique<FriendListResult>();
    std::vector<std::uint32_t> uids;
    if (client.waitFor(FriendList, *list)) {
        for (const FriendRecord& record : KivFriendRecords(list->list)) {
            uids.push_back(record.uid);
        }
    }
    return uids;
}

bool contains(const std::vector<std::uint32_t>& uids, std::uint32_t uid) {
    return std::find(uids.begin(), uids.end(), uid) != uids.end();
}

}  // namespace

// Search, the add-friend and delete flows, registration and password recovery.
class CKivDevServerFriendsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_server.start()); }

    void search_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("uflg");
        QTest::addColumn<uint>("uid");
        QTest::newRow("account") << QByteArray("10003") << 1 << 10003u;
        QTest::newRow("blanks around") << QByteArray("  10003 ") << 1 << 10003u;
        QTest::newRow("phone") << QByteArray("13800000005") << 1 << 10005u;
        QTest::newRow("unknown") << QByteArray("nobody") << 3 << 0u;
        QTest::newRow("empty") << QByteArray() << 3 << 0u;
        QTest::newRow("quote") << QByteArray("' OR 1=1 --") << 3 << 0u;
    }

    void search() {
        QFETCH(QByteArray, text);
        QFETCH(int, uflg);
        QFETCH(uint, uid);
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10002"), kPassword));
        SearchRequest request;
        KivInitRecord(request, Search);
        request.uid = client.uid();
        KivWriteText(request.account, text);
        request.param1 = 1;
        client.send(request);
        SearchResult result;
        QVERIFY(client.waitFor(Search, result));
        QCOMPARE(result.uflg, uflg);
        QCOMPARE(result.profile.uid, uid);
        if (uflg == 1) {
            QCOMPARE(KivReadText(result.profile.account), QByteArray::number(uid));
            QVERIFY(!KivReadText(result.profile.sign).isEmpty());
        }
    }

    void addFriendFlowMakesFriendsBothWays() {
        CKivRawClient asker;
        CKivRawClient asked;
        QVERIFY(asker.connectTo(m_server.tcpPort()));
        QVERIFY(asked.connectTo(m_server.tcpPort()));
        QVERIFY(asker.login(QStringLiteral("10004"), kPassword));
        QVERIFY(asked.login(QStringLiteral("10005"), kPassword));
        QVERIFY(!contains(friendUids(asker), 10005));

        sendRequest(asker, 10005, "我是赵六");
        AddFriendPushRecord push;
        QVERIFY(asked.waitFor(AddFriendPush, push));
        QCOMPARE(push.fromUid, 10004u);
        QCOMPARE(push.toUid, 10005u);
        QCOMPARE(KivReadText(push.account), QByteArray("10004"));
        QCOMPARE(QString::fromUtf8(KivReadText(push.requestText)), QStringLiteral("我是赵六"));

        sendAnswer(asked, 10004, 1);
        AddFriendAnswerResult result;
        QVERIFY(asker.waitFor(AddFriendAnswer, result));
        QCOMPARE(result.suid, 10005u);
        QCOMPARE(result.iReturn, 1u);
        AddFriendPushRecord established;
        QVERIFY(asker.waitFor(AddFriendPush, established));
        QCOMPARE(established.fromUid, 10005u);
        QCOMPARE(KivReadText(established.account), QByteArray("10005"));
        QVERIFY(asked.waitFor(AddFriendPush, established));
        QCOMPARE(established.fromUid, 10004u);

        CKivRawClient again;
        QVERIFY(again.connectTo(m_server.tcpPort()));
        QVERIFY(again.login(QStringLiteral("10005"), kPassword));
        QVERIFY(contains(friendUids(again), 10004));
        QVERIFY(asked.waitForDisconnected());

        // Asking a friend again is answered automatically: already friends.
        sendRequest(asker, 10005, "again");
        QVERIFY(again.waitFor(AddFriendPush, push));
        sendAnswer(again, 10004, 3);
        QVERIFY(asker.waitFor(AddFriendAnswer, result));
        QCOMPARE(result.iReturn, 2u);
    }

    void requestToAnOfflineUserIsPulledAsKindTwo() {
        {
            CKivRawClient asker;
            QVERIFY(asker.connectTo(m_server.tcpPort()));
            QVERIFY(asker.login(QStringLiteral("10003"), kPassword));
            sendRequest(asker, 10001, "first");
            sendRequest(asker, 10001, "second");
            asker.sendVipList();
            QVERIFY(!asker.waitFor(VipList).isEmpty());
        }
        CKivRawClient asked;
        QVERIFY(asked.connectTo(m_server.tcpPort()));
        QVERIFY(asked.login(QStringLiteral("10001"), kPassword));
        // The seeded items come first; a newer request from 10003 replaced the older one.
        std::uint32_t last = 0;
        QStringList requests;
        for (int round = 0; round < 10; ++round) {
            asked.sendLeaveRequest(last);
            auto item = std::make_unique<LeaveMessageResult>();
            QVERIFY(asked.waitFor(LeaveMessage, *item));
            if (item->endFlag != 0) {
                break;
            }
            last = item->ServerDBRowID;
            if (item->Serial == 2) {
                QCOMPARE(item->BufLen, 880u);
                QCOMPARE(item->item.request.toUid, 10001u);
                requests << QStringLiteral("%1:%2")
                                .arg(item->item.request.fromUid)
                                .arg(
                                    QString::fromUtf8(KivReadText(item->item.request.requestText)));
            }
        }
        QCOMPARE(requests, QStringList({QStringLiteral("10005:我是小明，加个好友吧"),
                                        QStringLiteral("10003:second")}));
        // The pulled request can be answered.
        sendAnswer(asked, 10005, 1);
        AddFriendPushRecord push;
        QVERIFY(asked.waitFor(AddFriendPush, push));
        QCOMPARE(push.fromUid, 10005u);
    }

    void answerWithoutARequestIsRefused() {
        CKivRawClient intruder;
        CKivRawClient victim;
        QVERIFY(intruder.connectTo(m_server.tcpPort()));
        QVERIFY(victim.connectTo(m_server.tcpPort()));
        QVERIFY(intruder.login(QStringLiteral("10002"), kPassword));
        QVERIFY(victim.login(QStringLiteral("10005"), kPassword));
        sendAnswer(intruder, 10005, 1);
        QVERIFY(victim.silentFor(AddFriendAnswer));
        QVERIFY(victim.silentFor(AddFriendPush, 100));
        CKivRawClient again;
        QVERIFY(again.connectTo(m_server.tcpPort()));
        QVERIFY(again.login(QStringLiteral("10005"), kPassword));
        QVERIFY(!contains(friendUids(again), 10002));
    }

    void deleteFriendTellsBothUsers() {
        CKivRawClient one;
        CKivRawClient other;
        QVERIFY(one.connectTo(m_server.tcpPort()));
        QVERIFY(other.connectTo(m_server.tcpPort()));
        QVERIFY(one.login(QStringLiteral("10002"), kPassword));
        QVERIFY(other.login(QStringLiteral("10003"), kPassword));
        for (std::uint32_t expected : {1u, 0u}) {
            DeleteFriendRequest request;
            KivInitRecord(request, DeleteFriend);
            request.ownUid = 10002;
            request.friendUid = 10003;
            one.send(request);
            DeleteFriendResult result;
            QVERIFY(one.waitFor(DeleteFriend, result));
            QCOMPARE(result.uid, 10002u);
            QCOMPARE(result.suid, 10003u);
            QCOMPARE(result.iReturn, expected);
        }
        DeleteFriendResult told;
        QVERIFY(other.waitFor(DeleteFriend, told));
        QCOMPARE(told.uid, 10003u);
        QCOMPARE(told.suid, 10002u);
        QCOMPARE(told.iReturn, 1u);
        QVERIFY(other.silentFor(DeleteFriend, 200));
    }

    void registerAndRecoverThePassword() {
        const QByteArray phone("13912345678");
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        auto issued = std::make_unique<CheckNumberResult>();
        QVERIFY(requestCheckNumber(client, 1, phone, *issued));
        QCOMPARE(issued->uResult, 2u);
        QVERIFY(issued->uid > 10005u);
        const QByteArray code = KivReadText(issued->checkNumber);
        QVERIFY(m_server.waitForLog(QStringLiteral("check number for 13912345678 is ") +
                                    QString::fromLatin1(code)));

        QCOMPARE(
            registerAccount(client, issued->uid, phone, code == "000000" ? "111111" : "000000"), 2);
        QCOMPARE(registerAccount(client, issued->uid + 1, phone, code), 2);
        QCOMPARE(registerAccount(client, issued->uid, phone, code), 0);
        QCOMPARE(registerAccount(client, issued->uid, phone, code), 1);
        QVERIFY(requestCheckNumber(client, 1, phone, *issued));
        QCOMPARE(issued->uResult, 1u);
        QVERIFY(requestCheckNumber(client, 1, "12345678901", *issued));
        QCOMPARE(issued->uResult, 1u);

        CKivRawClient user;
        QVERIFY(user.connectTo(m_server.tcpPort()));
        QVERIFY(user.login(QString::fromLatin1(phone), QStringLiteral("secret")));
        const std::uint32_t uid = user.uid();

        // Recovery: only the connection that got the check number may set the password.
        CKivRawClient stranger;
        QVERIFY(stranger.connectTo(m_server.tcpPort()));
        QCOMPARE(setPassword(stranger, uid, "stolen"), 0u);
        auto recovery = std::make_unique<CheckNumberResult>();
        QVERIFY(requestCheckNumber(client, 2, phone, *recovery));
        QCOMPARE(recovery->uid, uid);
        QVERIFY(!KivReadText(recovery->checkNumber).isEmpty());
        QCOMPARE(setPassword(client, 10001, "other"), 0u);
        QCOMPARE(setPassword(client, uid, "654321"), 1u);
        QCOMPARE(setPassword(client, uid, "once more"), 0u);
        QVERIFY(requestCheckNumber(client, 2, "13999999999", *recovery));
        QCOMPARE(recovery->uid, 0u);

        CKivRawClient newLogin;
        QVERIFY(newLogin.connectTo(m_server.tcpPort()));
        QVERIFY(!newLogin.login(QString::fromLatin1(phone), QStringLiteral("secret")));
        QVERIFY(newLogin.login(QString::fromLatin1(phone), QStringLiteral("654321")));
    }

private:
    static void sendRequest(CKivRawClient& client, std::uint32_t to, const char* text) {
        AddFriendRequestRecord request;
        KivInitRecord(request, AddFriendRequest);
        request.fromUid = client.uid();
        request.toUid = to;
        KivWriteText(request.verifyText, text);
        client.send(request);
    }

    static void sendAnswer(CKivRawClient& client, std::uint32_t asker, std::uint32_t answer) {
        AddFriendAnswerRequest request;
        KivInitRecord(request, AddFriendAnswer);
        request.askerUid = asker;
        request.ownUid = client.uid();
        request.answer = answer;
        client.send(request);
    }

    static bool requestCheckNumber(CKivRawClient& client, std::uint32_t purpose,
                                   const QByteArray& phone, CheckNumberResult& result) {
        CheckNumberRequest request;
        KivInitRecord(request, CheckNumber);
        request.purpose = purpose;
        KivWriteText(request.phone, phone);
        client.send(request);
        return client.waitFor(CheckNumber, result);
    }

    static int registerAccount(CKivRawClient& client, std::uint32_t uid, const QByteArray& phone,
                               const QByteArray& code) {
        RegisterRequest request;
        KivInitRecord(request, Register);
        request.uid = uid;
        KivWriteText(request.account, phone);
        KivWriteText(request.clientKind, "PC");
        request.param1 = 1;
        KivWriteText(request.password, "secret");
        KivWriteText(request.phone, phone);
        KivWriteText(request.checkNumber, code);
        request.param2 = 1;
        client.send(request);
        RegisterResult result;
        return client.waitFor(Register, result) ? result.result : -1;
    }

    static std::uint32_t setPassword(CKivRawClient& client, std::uint32_t uid,
                                     const char* password) {
        NewPasswordRequest request;
        KivInitRecord(request, NewPassword);
        request.uid = uid;
        KivWriteText(request.password, password);
        client.send(request);
        NewPasswordResult result;
        return client.waitFor(NewPassword, result) ? result.result : 99u;
    }

    CKivDevServerProcess m_server;
};

KIV_TEST_CLASS(CKivDevServerFriendsTest)
#include "tst_CKivDevServerFriends.moc"
