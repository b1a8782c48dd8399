#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "CKivDevServerProcess.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRawClient.h"
#include "KivTestRegistry.h"

// The client's net model talking to the real development server over loopback.
class TestNetModelAgainstServer : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CKivDevServerProcess> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QObject> m_scope;  // receivers of this test's signals
    QString m_previousDir;
    CKivFriendNetModel* m_model = nullptr;
    QList<int> m_loginResult;

    void sendLogin(const char* account, const char* password) {
        LoginRequest login;
        KivInitRecord(login, Login);
        KivWriteText(login.account, account);
        KivWriteText(login.password,
                     QCryptographicHash::hash(password, QCryptographicHash::Md5).toHex());
        KivWriteText(login.localIp, "127.0.0.1");
        login.param1 = 23;
        login.param3 = 1;
        m_model->Send_Msg(reinterpret_cast<const char*>(&login), sizeof(login));
    }

    bool loginAs(const char* account) {
        m_loginResult.clear();
        sendLogin(account, "123456");
        return QTest::qWaitFor([this] { return !m_loginResult.isEmpty(); }, 5000) &&
               m_loginResult.first() == 0;
    }

private slots:
    void init() {
        m_server = std::make_unique<CKivDevServerProcess>();
        QVERIFY(m_server->start());
        m_dir = std::make_unique<QTemporaryDir>();
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        m_scope = std::make_unique<QObject>();
        m_loginResult.clear();
        m_model = CKivFriendNetModel::GetInstance();
        int check = 0;
        connect(m_model, &CKivFriendNetModel::LoginResult, m_scope.get(),
                [&check](int n) { check = n; });
        connect(m_model, &CKivFriendNetModel::AccountLoginResult, m_scope.get(),
                [this](int result, int error) {
                    m_loginResult = {result, error};
                });
        m_model->SetServerIP_And_Port("127.0.0.1", m_server->tcpPort());
        m_model->Connect_Svr();
        QTRY_COMPARE_WITH_TIMEOUT(check, 3028, 5000);
    }

    void cleanup() {
        CKivFriendHearbeatModel::ReleaseInstance();
        m_scope.reset();
        CKivFriendNetModel::ReleaseInstance();
        CKivFriendDBModel::ReleaseInstance();
        QDir::setCurrent(m_previousDir);
        m_dir.reset();
        m_server.reset();
    }

    void loginFailures_data() {
        QTest::addColumn<QByteArray>("account");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("errorCode");
        QTest::newRow("wrong password") << QByteArray("10001") << QByteArray("654321") << 2;
        QTest::newRow("unknown account") << QByteArray("77777") << QByteArray("123456") << 6;
    }

    void loginFailures() {
        QFETCH(QByteArray, account);
        QFETCH(QByteArray, password);
        QFETCH(int, errorCode);
        sendLogin(account.constData(), password.constData());
        QTRY_VERIFY_WITH_TIMEOUT(!m_loginResult.isEmpty(), 5000);
        QCOMPARE(m_loginResult, (QList<int>{1, errorCode}));
    }

    void loginBringsTheLists() {
        int friends = -1;
        int vips = -1;
        connect(m_model, &CKivFriendNetModel::AccountFriendList, m_scope.get(),
                [&](const tag_friend_result& list) { friends = int(list.count); });
        connect(m_model, &CKivFriendNetModel::AccountVipList, m_scope.get(),
                [&](const tag_friend_result& list) { vips = int(list.count); });
        QVERIFY(loginAs("10001"));
        QTRY_COMPARE_WITH_TIMEOUT(friends, 3, 5000);
        QVERIFY(QFileInfo::exists("User/10001/DB/CHAT_MESSAGE.db"));

        VipListRequest request;
        KivInitRecord(request, VipList);
        request.accountLength = 5;
        KivWriteText(request.account, "10001");
        m_model->Send_Msg(reinterpret_cast<const char*>(&request), sizeof(request));
        QTRY_VERIFY_WITH_TIMEOUT(vips >= 1, 5000);
    }

    void offlinePullStoresMessagesAndRequests() {
        int messages = 0;
        int requests = 0;
        int records = 0;
        connect(m_model, &CKivFriendNetModel::SendLeaveMessageSignal, m_scope.get(),
                [&] { ++messages; });
        connect(m_model, &CKivFriendNetModel::SendAddFriendSignal, m_scope.get(),
                [&] { ++requests; });
        connect(m_model, &CKivFriendNetModel::LeaveMessageResult, m_scope.get(),
                [&] { ++records; });
        QVERIFY(loginAs("10001"));
        m_model->GetLeaveWord()->Thread_Start();
        QTRY_VERIFY_WITH_TIMEOUT(m_model->GetLeaveWord()->IsStopped() && records == 4, 5000);
        QCOMPARE(messages, 2);
        QCOMPARE(requests, 1);
    }

    void chatBothWays() {
        QList<QByteArray> received;
        connect(m_model, &CKivFriendNetModel::SendPerMessage, m_scope.get(),
                [&](Uint32, const QByteArray& text) { received.append(text); });
        QVERIFY(loginAs("10001"));
        const Uint32 own = m_model->GetUID();
        CKivRawClient peer;
        QVERIFY(peer.connectTo(m_server->tcpPort()));
        QVERIFY(peer.login("10002", "123456"));

        peer.sendChat(own, "你好 [face_01] 'quoted'");
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 5000);
        QCOMPARE(received.first(), QByteArray("你好 [face_01] 'quoted'"));

        ChatMessageRecord reply;
        KivInitRecord(reply, ChatMessage);
        reply.senderUid = own;
        reply.receiverUid = peer.uid();
        KivWriteText(reply.text, "back");
        QCOMPARE(m_model->Send_Msg(reinterpret_cast<const char*>(&reply), sizeof(reply)),
                 int(sizeof(reply)));
        ChatMessageRecord got;
        QVERIFY(peer.waitFor(ChatMessage, got));
        QCOMPARE(KivReadText(got.text), QByteArray("back"));
        QCOMPARE(got.senderUid, own);
    }

    void heartbeatReachesTheServer() {
        QVERIFY(loginAs("10001"));
        CKivFriendHearbeatModel* beat = CKivFriendHearbeatModel::GetInstance();
        beat->SetInterval(100);
        beat->StartSendHearbeat(m_model->GetUID());
        QVERIFY(m_server->waitForLog("heartbeat from uid", 5000));
    }
};

KIV_TEST_CLASS(TestNetModelAgainstServer)
#include "tst_NetModelAgainstServer.moc"
