#include <QtTest>

#include <cstring>
#include <memory>

#include "CKivDevServerProcess.h"
#include "CKivRawClient.h"
#include "KivTestRegistry.h"

namespace {

const QString kPassword = QStringLiteral("123456");

QByteArray header(std::uint32_t length, std::uint32_t command, std::uint32_t magic = FRAME_MAGIC) {
    QByteArray bytes(20, '\0');
    const std::uint32_t words[] = {length, command, magic, length, 0};
    std::memcpy(bytes.data(), words, sizeof(words));
    return bytes;
}

// A whole record of `length` bytes with `command`, its body filled with `fill`.
QByteArray record(std::uint32_t length, std::uint32_t command, char fill = 'x') {
    return header(length, command) + QByteArray(static_cast<int>(length) - 20, fill);
}

template <class R>
QByteArray bytesOf(const R& value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof(R));
}

// The server answers the connection check, so the connection is still served.
bool stillServed(CKivRawClient& client) {
    ConnectCheckRequest check;
    KivInitRecord(check, ConnectCheck);
    client.send(check);
    return !client.waitFor(ConnectCheck).isEmpty();
}

}  // namespace

// Hostile and broken input: the server closes or ignores, never falls over,
// and never lets one user act as another.
class CKivDevServerRobustnessTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_server.start()); }

    void garbageClosesOnlyThatConnection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("GET / HTTP/1.1\r\nHost: x\r\n\r\n");
        QTest::newRow("length below header") << header(19, Login);
        QTest::newRow("length above limit") << header(16385, Login);
        QTest::newRow("huge length") << header(0xFFFFFFFFu, ChatMessage);
        QTest::newRow("no signature byte") << header(24, ConnectCheck, 0) + QByteArray(4, '\0');
        QTest::newRow("zeros") << QByteArray(64, '\0');
    }

    void garbageClosesOnlyThatConnection() {
        QFETCH(QByteArray, bytes);
        CKivRawClient bystander;
        QVERIFY(bystander.connectTo(m_server.tcpPort()));
        QVERIFY(bystander.login(QStringLiteral("10002"), kPassword));
        CKivRawClient attacker;
        QVERIFY(attacker.connectTo(m_server.tcpPort()));
        attacker.sendBytes(bytes.constData(), bytes.size());
        QVERIFY(attacker.waitForDisconnected());
        QVERIFY(stillServed(bystander));
        CKivRawClient newcomer;
        QVERIFY(newcomer.connectTo(m_server.tcpPort()));
        QVERIFY(newcomer.login(QStringLiteral("10004"), kPassword));
    }

    void badRecordsAreIgnored_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loggedIn");
        QTest::newRow("unknown command") << record(24, 17) << true;
        QTest::newRow("command zero") << record(20, 0) << true;
        QTest::newRow("server-only command") << record(40, UploadFileResult) << true;
        QTest::newRow("short chat") << record(1051, ChatMessage) << true;
        QTest::newRow("long chat") << record(1053, ChatMessage) << true;
        QTest::newRow("chat text unterminated") << record(1052, ChatMessage) << true;
        QTest::newRow("short login") << record(351, Login) << false;
        QTest::newRow("login unterminated") << record(352, Login) << false;
        QTest::newRow("register unterminated") << record(276, Register) << false;
        QTest::newRow("check number unterminated") << record(36, CheckNumber) << false;
        QTest::newRow("chat before login") << record(1052, ChatMessage, '\0') << false;
        QTest::newRow("vip list before login") << record(8216, VipList, '\0') << false;
        QTest::newRow("largest record") << record(16384, SetMyShow) << true;
        QTest::newRow("set my show unterminated") << record(540, SetMyShow) << true;
        QTest::newRow("profile unterminated") << record(696, UpdateUserInfo) << true;
    }

    void badRecordsAreIgnored() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loggedIn);
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        if (loggedIn) {
            QVERIFY(client.login(QStringLiteral("10003"), kPassword));
        }
        std::uint32_t command = 0;
        std::memcpy(&command, bytes.constData() + 4, sizeof(command));
        client.sendBytes(bytes.constData(), bytes.size());
        QVERIFY(stillServed(client));
        QVERIFY(client.silentFor(command, 100));
        QVERIFY(client.connected());
    }

    void recordsSplitAndJoinedArriveWhole() {
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        ConnectCheckRequest check;
        KivInitRecord(check, ConnectCheck);
        const QByteArray three = bytesOf(check) + bytesOf(check) + bytesOf(check);
        for (int at = 0; at < three.size(); at += 100) {
            client.sendBytes(three.constData() + at, std::min(100, three.size() - at));
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!client.waitFor(ConnectCheck).isEmpty());
        }
    }

    void uidOfAnotherUserIsRefused_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("chat") << int(ChatMessage);
        QTest::newRow("set my show") << int(SetMyShow);
        QTest::newRow("delete friend") << int(DeleteFriend);
        QTest::newRow("leave message") << int(LeaveMessage);
        QTest::newRow("update user info") << int(UpdateUserInfo);
        QTest::newRow("upload file") << int(UploadFile);
        QTest::newRow("add friend") << int(AddFriendRequest);
        QTest::newRow("search") << int(Search);
        QTest::newRow("media") << int(Media);
    }

    void uidOfAnotherUserIsRefused() {
        QFETCH(int, command);
        CKivRawClient victim;
        CKivRawClient intruder;
        QVERIFY(victim.connectTo(m_server.tcpPort()));
        QVERIFY(intruder.connectTo(m_server.tcpPort()));
        QVERIFY(victim.login(QStringLiteral("10001"), kPassword));
        QVERIFY(intruder.login(QStringLiteral("10005"), kPassword));
        const std::uint32_t victimUid = 10001;
        const std::uint32_t target = 10002;
        CKivRawClient friendOfVictim;
        QVERIFY(friendOfVictim.connectTo(m_server.tcpPort()));
        QVERIFY(friendOfVictim.login(QStringLiteral("10002"), kPassword));

        switch (command) {
            case ChatMessage:
                intruder.sendChat(target, "from 10001, honestly", victimUid);
                break;
            case SetMyShow: {
                SetMyShowRecord show;
                KivInitRecord(show, SetMyShow);
                show.uid = victimUid;
                KivWriteText(show.sign, "hacked");
                intruder.send(show);
                break;
            }
            case DeleteFriend: {
                DeleteFriendRequest request;
                KivInitRecord(request, DeleteFriend);
                request.ownUid = victimUid;
                request.friendUid = target;
                intruder.send(request);
                break;
            }
            case LeaveMessage: {
                LeaveMessageRequest request;
                KivInitRecord(request, LeaveMessage);
                request.kind = 1;
                request.uid = victimUid;
                intruder.send(request);
                break;
            }
            case UpdateUserInfo: {
                UpdateUserInfoRequest request;
                KivInitRecord(request, UpdateUserInfo);
                request.profile.uid = victimUid;
                KivWriteText(request.profile.nickName, "hacked");
                intruder.send(request);
                break;
            }
            case UploadFile: {
                UploadFileRequest request;
                KivInitRecord(request, UploadFile);
                request.uid = victimUid;
                request.kind = 1;
                intruder.send(request);
                break;
            }
            case AddFriendRequest: {
                AddFriendRequestRecord request;
                KivInitRecord(request, AddFriendRequest);
                request.fromUid = victimUid;
                request.toUid = target;
                intruder.send(request);
                break;
            }
            case Search: {
                SearchRequest request;
                KivInitRecord(request, Search);
                request.uid = victimUid;
                KivWriteText(request.account, "10002");
                intruder.send(request);
                break;
            }
            case Media: {
                ptl_sys_send_per_media media;
                KivInitRecord(media, Media);
                media.callerUid = victimUid;
                media.calleeUid = target;
                media.state = 1;
                intruder.send(media);
                break;
            }
        }
        QVERIFY(stillServed(intruder));
        if (command == UploadFile) {
            // Every upload request is answered, a refused one with session 0.
            auto reply = std::make_unique<UploadFileReply>();
            QVERIFY(intruder.waitFor(UploadFile, *reply));
            QCOMPARE(KivReadText(reply->text), QByteArray("0"));
        }
        // One wait of 100 ms for the three: what the other two were sent
        // meanwhile is read after it.
        QVERIFY(intruder.silentFor(static_cast<std::uint32_t>(command), 100));
        QVERIFY(friendOfVictim.silentFor(static_cast<std::uint32_t>(command), 0));
        QVERIFY(victim.silentFor(static_cast<std::uint32_t>(command), 0));

        // The victim's profile and friends are unchanged.
        CKivRawClient check;
        QVERIFY(check.connectTo(m_server.tcpPort()));
        check.sendLogin(QStringLiteral("10001"), kPassword);
        LoginResult profile;
        QVERIFY(check.waitFor(Login, profile));
        QCOMPARE(QString::fromUtf8(KivReadText(profile.nickName)), QStringLiteral("张三"));
        QCOMPARE(QString::fromUtf8(KivReadText(profile.sign)), QStringLiteral("今天天气不错"));
        auto list = std::make_unique<FriendListResult>();
        QVERIFY(check.waitFor(FriendList, *list));
        QCOMPARE(list->list.count, 3u);
    }

    void manyConnectionsAndAbruptCloses() {
        std::vector<std::unique_ptr<CKivRawClient>> clients;
        for (int i = 0; i < 50; ++i) {
            clients.push_back(std::make_unique<CKivRawClient>());
            QVERIFY(clients.back()->connectTo(m_server.tcpPort()));
            // Half a record, then the connection goes away.
            const QByteArray half = record(1052, ChatMessage).left(500);
            clients.back()->sendBytes(half.constData(), half.size());
        }
        clients.clear();
        CKivRawClient client;
        QVERIFY(client.connectTo(m_server.tcpPort()));
        QVERIFY(client.login(QStringLiteral("10004"), kPassword));
        QVERIFY(m_server.running());
    }

private:
    CKivDevServerProcess m_server;
};

KIV_TEST_CLASS(CKivDevServerRobustnessTest)
#include "tst_CKivDevServerRobustness.moc"
