#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "CKivFriendDBModel.h"
#include "CKivFriendGetLeaveMessageModel.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivRecordCutter.h"
#include "KivScriptedServer.h"
#include "KivTestRegistry.h"

namespace {

constexpr Uint32 kOwnUid = 501;
constexpr Uint32 kFriendUid = 502;

ptl_sys_send_per_media media(Uint32 caller, Uint32 state) {
    ptl_sys_send_per_media record;
    KivInitRecord(record, Media);
    record.callerUid = caller;
    record.calleeUid = caller == kOwnUid ? kFriendUid : kOwnUid;
    record.state = state;
    KivWriteText(record.addressA, "127.0.0.1");
    return record;
}

// The first `length` bytes of a record, with a header saying so.
template <class R>
QByteArray cut(R record, int length) {
    record.head.length = Uint32(length);
    record.head.length2 = Uint32(length);
    return bytesOf(record).left(length);
}

::LoginResult loginResult(Uint32 uid, const char* account) {
    ::LoginResult login;
    KivInitRecord(login, Login);
    login.uid = uid;
    KivWriteText(login.account, account);
    KivWriteText(login.nickName, "小明");
    KivWriteText(login.sign, "签名 it's");
    KivWriteText(login.headAdd, "12");
    return login;
}

ChatMessageRecord chat(Uint32 from, const QByteArray& text) {
    ChatMessageRecord record;
    KivInitRecord(record, ChatMessage);
    record.senderUid = from;
    record.receiverUid = from == kOwnUid ? kFriendUid : kOwnUid;
    KivWriteText(record.text, text);
    return record;
}

}  // namespace

class TestNetModel : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<KivNetModelHome> m_home;
    ScriptedServer* m_server = nullptr;
    CKivFriendNetModel* m_model = nullptr;

    void sendLoginRequest() {
        LoginRequest request;
        KivInitRecord(request, Login);
        QVERIFY(m_model->Send_Msg(reinterpret_cast<const char*>(&request), sizeof(request)) > 0);
    }

    void loginAs(Uint32 uid, const char* account) {
        sendLoginRequest();
        QObject scope;
        int results = 0;
        connect(m_model, &CKivFriendNetModel::AccountLoginResult, &scope, [&] { ++results; });
        m_server->send(bytesOf(loginResult(uid, account)));
        QTRY_COMPARE_WITH_TIMEOUT(results, 1, 5000);
    }

    // Sends a chat message from the friend and waits until it is signalled.
    // The second announcement names the row the message is stored in.
    void expectChatDelivered(const QByteArray& text) {
        QObject scope;
        QByteArray seen;
        qint64 row = -1;
        connect(m_model, &CKivFriendNetModel::SendPerMessage, &scope,
                [&](Uint32, const QByteArray& message) { seen = message; });
        connect(m_model, &CKivFriendNetModel::ChatMessageStored, &scope,
                [&](Uint32 sender, qint64 id, const QByteArray& message) {
                    if (sender == kFriendUid && message == text)
                        row = id;
                });
        m_server->send(bytesOf(chat(kFriendUid, text)));
        QTRY_COMPARE_WITH_TIMEOUT(seen, text, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(row >= 0, 5000);
        const auto rows =
            CKivFriendDBModel::GetInstance()->GetChatRecordPage(kOwnUid, kFriendUid, 0, 100);
        QVERIFY(std::any_of(rows.begin(), rows.end(), [&](const CKivChatRecordRow& stored) {
            return stored.id == row && stored.message == QString::fromUtf8(text);
        }));
    }

    int storedRows() {
        return CKivFriendDBModel::GetInstance()
            ->GetChatRecordPage(kOwnUid, kFriendUid, 0, 100)
            .size();
    }

    // Connects again and logs in on the new connection.
    void reconnectAndLogin() {
        QVERIFY(m_server->connectClient(*m_model));
        loginAs(kOwnUid, "10001");
    }

private slots:
    void init() {
        m_home = std::make_unique<KivNetModelHome>();
        QVERIFY(m_home->isValid());
        m_server = &m_home->server();
        m_model = &m_home->net();
        QObject scope;
        int check = 0;
        connect(m_model, &CKivFriendNetModel::LoginResult, &scope, [&](int n) { check = n; });
        QCOMPARE(m_model->Send_Msg("x", 1), 0);
        m_model->Connect_Svr();
        QTRY_VERIFY_WITH_TIMEOUT(m_server->received.size() == 1, 5000);
        QCOMPARE(m_server->commands(), QList<quint32>{ConnectCheck});
        QCOMPARE(KivReadText(reinterpret_cast<const ConnectCheckRequest*>(
                                 m_server->received.first().constData())
                                 ->text),
                 QByteArray("test"));
        ConnectCheckResult accepted;
        KivInitRecord(accepted, ConnectCheck);
        m_server->send(bytesOf(accepted));
        QTRY_COMPARE_WITH_TIMEOUT(check, 3028, 5000);
    }

    void cleanup() { m_home.reset(); }

    void loginFailureReportsPreviousAccountOnly() {
        ::LoginResult refused;
        KivInitRecord(refused, Login);
        refused.result = 1;
        refused.errorCode = 2;
        KivWriteText(refused.sign, "must not show");
        QObject scope;
        QVariantList args;
        connect(m_model, &CKivFriendNetModel::AccountLoginResult, &scope,
                [&](int result, int error, int head, QString account, QString sign) {
                    args = {result, error, head, account, sign};
                });
        sendLoginRequest();
        m_server->send(bytesOf(refused));
        QTRY_VERIFY_WITH_TIMEOUT(!args.isEmpty(), 5000);
        QCOMPARE(args.at(0).toInt(), 1);
        QCOMPARE(args.at(1).toInt(), 2);
        QCOMPARE(args.at(2).toInt(), 0);
        QCOMPARE(args.at(3).toString(), QString());
        QCOMPARE(args.at(4).toString(), QString());
        QVERIFY(m_model->GetLeaveWord() == nullptr);
    }

    // Session records that answer nothing asked are dropped, and an account
    // name no folder can take is no login: the session and its database stay.
    void unaskedSessionRecordsKeepTheSession_data() {
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QByteArray>("account");
        QTest::newRow("stray login result") << false << QByteArray("10009");
        QTest::newRow("stray login, account no folder can take") << false << QByteArray("../x");
        QTest::newRow("asked login, account no folder can take") << true << QByteArray("a/b");
    }
    void unaskedSessionRecordsKeepTheSession() {
        QFETCH(bool, asked);
        QFETCH(QByteArray, account);
        loginAs(kOwnUid, "10001");
        expectChatDelivered("before");
        QObject scope;
        int results = 0;
        int checks = 0;
        int refusals = 0;
        connect(m_model, &CKivFriendNetModel::AccountLoginResult, &scope, [&](int result) {
            ++results;
            refusals += result != 0 ? 1 : 0;
        });
        connect(m_model, &CKivFriendNetModel::LoginResult, &scope, [&] { ++checks; });
        if (asked)
            sendLoginRequest();
        ConnectCheckResult check;
        KivInitRecord(check, ConnectCheck);
        m_server->send(bytesOf(check) + bytesOf(loginResult(kOwnUid + 7, account.constData())));
        expectChatDelivered("after");
        QCOMPARE(results, asked ? 1 : 0);
        QCOMPARE(refusals, results);
        QCOMPARE(checks, 0);
        QCOMPARE(m_model->GetUID(), kOwnUid);
        QCOMPARE(QByteArray(m_model->GetAccount()), QByteArray("10001"));
        QCOMPARE(storedRows(), 2);
    }

    // A refusal shorter than the full result still ends the wait; a short
    // success cannot say who logged in and is refused.
    void shortLoginResults_data() {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("expectedError");
        QTest::newRow("refusal with its error code") << 1 << 28 << 2;
        QTest::newRow("refusal without its error code") << 1 << 24 << -1;
        QTest::newRow("header only") << 1 << 20 << -2;
        QTest::newRow("short success") << 0 << 1027 << -2;
    }
    void shortLoginResults() {
        QFETCH(int, result);
        QFETCH(int, length);
        QFETCH(int, expectedError);
        sendLoginRequest();
        ::LoginResult login = loginResult(kOwnUid, "10001");
        login.result = result;
        login.errorCode = 2;
        QObject scope;
        int error = -2;
        connect(m_model, &CKivFriendNetModel::AccountLoginResult, &scope,
                [&](int, int code) { error = code; });
        bool marker = false;
        connect(m_model, &CKivFriendNetModel::AddFriendResult, &scope, [&] { marker = true; });
        AddFriendAnswerResult after;
        KivInitRecord(after, AddFriendAnswer);
        m_server->send(cut(login, length) + bytesOf(after));
        QTRY_VERIFY_WITH_TIMEOUT(marker, 5000);
        QCOMPARE(error, expectedError);
        QVERIFY(m_model->GetLeaveWord() == nullptr);
    }

    void searchWithoutAMatchLeavesTheDatabaseAlone() {
        loginAs(kOwnUid, "10001");
        SearchResult found;
        KivInitRecord(found, Search);
        found.uflg = 0;
        found.profile.uid = 777;
        KivWriteText(found.profile.account, "stranger");
        QObject scope;
        int flag = -1;
        connect(m_model, &CKivFriendNetModel::AccountSearchResult, &scope,
                [&](int uflg) { flag = uflg; });
        m_server->send(bytesOf(found));
        QTRY_COMPARE_WITH_TIMEOUT(flag, 0, 5000);
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        QVERIFY(
            query.exec(QStringLiteral("select count(*) from chat_userinfor_table where uid=777")));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 0);
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    }

    void loginSuccessStoresTheUserAndCreatesThePullerOnce() {
        loginAs(kOwnUid, "10001");
        QCOMPARE(m_model->GetUID(), kOwnUid);
        QCOMPARE(m_model->GetAccount(), QByteArray("10001"));
        CKivFriendGetLeaveMessageModel* puller = m_model->GetLeaveWord();
        QVERIFY(puller != nullptr);
        QVERIFY(QFileInfo::exists("User/10001/DB/CHAT_MESSAGE.db"));
        QVERIFY(QFileInfo::exists("User/10001/FileRecv"));
        loginAs(kOwnUid, "10001");
        QCOMPARE(m_model->GetLeaveWord(), puller);
    }

    // Queued receivers must see each record as it was, even when the receive
    // path has already overwritten its buffers with later records.
    void queuedReceiversKeepTheirOwnCopies() {
        loginAs(kOwnUid, "10001");
        QObject scope;
        QList<QByteArray> texts;
        QList<Uint32> mediaStates;
        connect(m_model, &CKivFriendNetModel::SendPerMessage, &scope,
                [&](Uint32, const QByteArray& text, int length) {
                    QCOMPARE(length, text.size());
                    texts.append(text);
                });
        connect(m_model, &CKivFriendNetModel::SendReqMedia, &scope,
                [&](const ptl_sys_send_per_media& m) { mediaStates.append(m.state); });
        QByteArray burst;
        burst += bytesOf(chat(kFriendUid, "first 'quoted' %1"));
        burst += bytesOf(chat(kOwnUid, "mine, stored but not signalled"));
        burst += bytesOf(media(kFriendUid, 1));
        burst += bytesOf(chat(kFriendUid, "second"));
        m_server->send(burst);
        QTRY_COMPARE_WITH_TIMEOUT(texts.size(), 2, 5000);
        QCOMPARE(texts, (QList<QByteArray>{"first 'quoted' %1", "second"}));
        QCOMPARE(mediaStates, QList<Uint32>{1});
    }

    void mediaStatesFollowTheCaller_data() {
        QTest::addColumn<Uint32>("caller");
        QTest::addColumn<Uint32>("state");
        QTest::addColumn<QString>("expected");
        QTest::newRow("own call accepted") << kOwnUid << 2u << "yes";
        QTest::newRow("own call declined") << kOwnUid << 3u << "no";
        QTest::newRow("own call closed by callee") << kOwnUid << 5u << "close";
        QTest::newRow("own request echoed") << kOwnUid << 1u << "";
        QTest::newRow("incoming request") << kFriendUid << 1u << "req";
        QTest::newRow("incoming closed by caller") << kFriendUid << 4u << "close";
        QTest::newRow("accept for someone else") << kFriendUid << 2u << "";
    }

    void mediaStatesFollowTheCaller() {
        QFETCH(Uint32, caller);
        QFETCH(Uint32, state);
        QFETCH(QString, expected);
        loginAs(kOwnUid, "10001");
        QObject scope;
        QString seen;
        bool marker = false;
        connect(m_model, &CKivFriendNetModel::SendYesreqMedia, &scope, [&] { seen += "yes"; });
        connect(m_model, &CKivFriendNetModel::SendNoreqMedia, &scope, [&] { seen += "no"; });
        connect(m_model, &CKivFriendNetModel::SendCloseMedia, &scope, [&] { seen += "close"; });
        connect(m_model, &CKivFriendNetModel::SendReqMedia, &scope, [&] { seen += "req"; });
        connect(m_model, &CKivFriendNetModel::AddFriendResult, &scope, [&] { marker = true; });
        AddFriendAnswerResult after;
        KivInitRecord(after, AddFriendAnswer);
        m_server->send(bytesOf(media(caller, state)) + bytesOf(after));
        QTRY_VERIFY_WITH_TIMEOUT(marker, 5000);
        QCOMPARE(seen, expected);
    }

    void offlinePullRunsUntilTheEndFlag() {
        loginAs(kOwnUid, "10001");
        QObject scope;
        QList<Uint32> results;
        connect(m_model, &CKivFriendNetModel::LeaveMessageResult, &scope,
                [&](int, Uint32 rowId) { results.append(rowId); });
        m_model->GetLeaveWord()->Thread_Start();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->commands().count(LeaveMessage), 1, 5000);

        const auto request = [this](int index) {
            return reinterpret_cast<const LeaveMessageRequest*>(
                m_server->received.at(m_server->received.size() - 1 - index).constData());
        };
        QCOMPARE(request(0)->lastRowId, 0u);
        QCOMPARE(request(0)->uid, kOwnUid);

        ::LeaveMessageResult item;
        KivInitRecord(item, LeaveMessage);
        item.Serial = 1;
        item.ServerDBRowID = 77;
        item.BufLen = 24 + 5;
        item.item.message.uid = kFriendUid;
        KivWriteText(item.item.message.time, "2026-12-01 08:00:00");
        KivWriteText(item.item.message.text, "hello");
        m_server->send(bytesOf(item));
        QTRY_COMPARE_WITH_TIMEOUT(m_server->commands().count(LeaveMessage), 2, 5000);
        QCOMPARE(request(0)->lastRowId, 77u);

        ::LeaveMessageResult last;
        KivInitRecord(last, LeaveMessage);
        last.Serial = 1;
        last.ServerDBRowID = 78;
        last.endFlag = 1;
        m_server->send(bytesOf(last));
        QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 5000);
        QTest::qWait(200);
        QCOMPARE(m_server->commands().count(LeaveMessage), 2);
        QCOMPARE(results, (QList<Uint32>{77, 78}));
        QVERIFY(m_model->GetLeaveWord()->IsStopped());

        const QVector<CKivChatRecordRow> rows =
            CKivFriendDBModel::GetInstance()->GetChatRecordPage(kOwnUid, kFriendUid, 0, 10);
        QCOMPARE(rows.size(), 1);
    }

    // A pull cut off by a lost connection ends with it; the next login pulls
    // again from the first item on the new connection.
    void pullEndsWithTheConnection() {
        loginAs(kOwnUid, "10001");
        m_model->GetLeaveWord()->Thread_Start();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->commands().count(LeaveMessage), 1, 5000);
        QObject scope;
        int closed = 0;
        connect(m_model, &CKivFriendNetModel::CloseConnect, &scope, [&] { ++closed; });
        m_server->peer->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(closed, 1, 5000);
        m_model->Delete_Socket();
        m_server->received.clear();
        reconnectAndLogin();
        m_model->GetLeaveWord()->Thread_Start();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->commands().count(LeaveMessage), 1, 5000);
        const auto* request =
            reinterpret_cast<const LeaveMessageRequest*>(m_server->received.last().constData());
        QCOMPARE(request->lastRowId, 0u);
    }

    // Destroying a puller whose run is just starting must not leave the run
    // waiting for an item (the destructor would then wait for ever).
    void pullerGoesWhileARunStarts() {
        loginAs(kOwnUid, "10001");
        std::atomic<bool> done{false};
        std::thread churn([&done] {
            for (int i = 0; i < 200; ++i) {
                auto puller = std::make_unique<CKivFriendGetLeaveMessageModel>(kOwnUid);
                puller->Thread_Start();
                if (i % 2 == 0)
                    std::this_thread::yield();
            }
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done, 60000);
        churn.join();
    }

    // Descriptors run out: the failure is reported inside Connect_Svr. A
    // receiver that deletes the socket at once must not hang the caller.
    void unboundPortFailsAsAnEvent() {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the sanitizer runtime needs descriptors of its own to check memory");
#endif
        QObject scope;
        int failed = 0;
        connect(
            m_model, &CKivFriendNetModel::FaildConnect, &scope,
            [&] {
                ++failed;
                m_model->Delete_Socket();
            },
            Qt::DirectConnection);
        m_model->Delete_Socket();
        // Take every descriptor below a limit just above the highest one open. The
        // port probe then tries every port before it gives up, which takes a while.
        int highest = 0;
        for (const QString& name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files))
            highest = qMax(highest, name.toInt());
        rlimit previous{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &previous), 0);
        rlimit tight = previous;
        tight.rlim_cur = rlim_t(highest + 1);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &tight), 0);
        std::vector<int> taken;
        for (int fd = dup(0); fd >= 0; fd = dup(0))
            taken.push_back(fd);
        std::atomic<bool> returned{false};
        std::thread caller([&] {
            m_model->Connect_Svr();
            returned = true;
        });
        for (int waited = 0; !returned && waited < 60000; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        for (int fd : taken)
            close(fd);
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &previous), 0);
        QVERIFY2(returned, "Connect_Svr waits for itself");
        caller.join();
        QTRY_COMPARE_WITH_TIMEOUT(failed, 1, 5000);
        QVERIFY(!m_model->IsConnected());
    }

    void heartbeatWithoutAConnectionKeepsRunning() {
        m_model->Delete_Socket();
        CKivFriendHearbeatModel* beat = CKivFriendHearbeatModel::GetInstance();
        beat->SetInterval(5);
        beat->StartSendHearbeat(kOwnUid);
        QTest::qWait(50);
        QVERIFY(beat->Is_Thread_Running());
        QElapsedTimer timer;
        timer.start();
        CKivFriendHearbeatModel::ReleaseInstance();
        QVERIFY(timer.elapsed() < 1000);
    }

    void heartbeatCarriesTheCurrentUid() {
        loginAs(kOwnUid, "10001");
        CKivFriendHearbeatModel* beat = CKivFriendHearbeatModel::GetInstance();
        beat->SetInterval(50);
        beat->StartSendHearbeat(kOwnUid);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->commands().count(Heartbeat) >= 2, 5000);
        beat->StartSendHearbeat(kFriendUid);
        QTRY_VERIFY_WITH_TIMEOUT(
            reinterpret_cast<const HeartbeatRequest*>(m_server->received.last().constData())->uid ==
                kFriendUid,
            5000);
        QElapsedTimer timer;
        timer.start();
        CKivFriendHearbeatModel::ReleaseInstance();
        QVERIFY(timer.elapsed() < 1000);
    }

    void replacingTheConnectionIgnoresTheOldOne() {
        QPointer<QTcpSocket> oldPeer = m_server->peer;
        QObject scope;
        int closed = 0;
        connect(m_model, &CKivFriendNetModel::CloseConnect, &scope, [&] { ++closed; });
        m_server->received.clear();
        m_model->Connect_Svr();
        QTRY_VERIFY_WITH_TIMEOUT(m_server->peer != oldPeer && !m_server->received.isEmpty(), 5000);
        QCOMPARE(m_server->commands(), QList<quint32>{ConnectCheck});
        QTest::qWait(100);
        QCOMPARE(closed, 0);
        LoginRequest request;
        KivInitRecord(request, Login);
        QCOMPARE(m_model->Send_Msg(reinterpret_cast<const char*>(&request), sizeof(request)),
                 int(sizeof(request)));
    }

    void serverCloseIsReported() {
        QObject scope;
        int closed = 0;
        connect(m_model, &CKivFriendNetModel::CloseConnect, &scope, [&] { ++closed; });
        m_server->peer->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(closed, 1, 5000);
        QCOMPARE(m_model->Send_Msg("12345678901234567890", 20), 0);
    }
};

KIV_TEST_CLASS(TestNetModel)
#include "tst_CKivFriendNetModel.moc"
