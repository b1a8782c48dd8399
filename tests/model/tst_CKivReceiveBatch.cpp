#include <sqlite3.h>

#include <QDir>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivTestRegistry.h"

namespace {

constexpr Uint32 kOwn = 601;
constexpr Uint32 kPeer = 602;
const char* const kNotStored = "CKivReceiveBatch: a received record could not be stored";

template <class R>
QByteArray bytesOf(const R& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

QByteArray chat(const QByteArray& text) {
    ChatMessageRecord record;
    KivInitRecord(record, ChatMessage);
    record.senderUid = kPeer;
    record.receiverUid = kOwn;
    KivWriteText(record.text, text);
    return bytesOf(record);
}

// The messages of the file in id order, read through a connection of its own.
QList<QByteArray> storedTexts(const QString& file) {
    QList<QByteArray> texts;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "select message from chat_message_table order by id", -1, &select,
                           nullptr);
        while (select != nullptr && sqlite3_step(select) == SQLITE_ROW) {
            texts.append(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
        }
        sqlite3_finalize(select);
    }
    sqlite3_close(db);
    return texts;
}

// Counts the warnings that a record could not be stored, from any thread.
class NotStoredLog {
public:
    NotStoredLog() {
        s_count = 0;
        m_previous = qInstallMessageHandler(&NotStoredLog::handle);
    }
    ~NotStoredLog() { qInstallMessageHandler(m_previous); }
    int count() const { return s_count; }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        if (text == QLatin1String(kNotStored)) {
            ++s_count;
        }
    }
    static std::atomic<int> s_count;
    QtMessageHandler m_previous;
};
std::atomic<int> NotStoredLog::s_count{0};

}  // namespace

// Received records are stored a burst at a time and announced after the
// commit; failures cost only the record that failed.
class TestGroupCommit : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
    CKivFriendNetModel* m_model = nullptr;
    QList<QByteArray> m_announced;

    // Hooks that run on the receive thread. They are connected before the
    // connection and its thread exist and change only under the lock, so the
    // receive thread is ordered after each change by means the thread checker
    // sees (Qt's own connection list is not instrumented).
    std::mutex m_hookLock;
    std::function<void()> m_onLogin;
    std::function<void(const QByteArray&)> m_onAnnounce;

    template <class Hook, class Value>
    void setHook(Hook& hook, Value value) {
        std::lock_guard<std::mutex> guard(m_hookLock);
        hook = std::move(value);
    }

    // Logs in; `onReceiveThread` runs on the receive thread's database
    // connection right after the login opened it.
    void login(const std::function<void(QSqlDatabase)>& onReceiveThread = {}) {
        QObject scope;
        int results = 0;
        connect(m_model, &CKivFriendNetModel::AccountLoginResult, &scope, [&] { ++results; });
        if (onReceiveThread) {
            setHook(m_onLogin, [this, onReceiveThread] {
                onReceiveThread(CKivFriendSqlUtilCommon::CreateSqlUtil(database())->database());
            });
        }
        // A login result counts only as the answer to a login request.
        LoginRequest request;
        KivInitRecord(request, Login);
        QVERIFY(m_model->Send_Msg(reinterpret_cast<const char*>(&request), sizeof(request)) > 0);
        ::LoginResult result;
        KivInitRecord(result, Login);
        result.uid = kOwn;
        KivWriteText(result.account, "batch");
        KivWriteText(result.headAdd, "1");
        m_peer->write(bytesOf(result));
        QTRY_COMPARE_WITH_TIMEOUT(results, 1, 5000);
        setHook(m_onLogin, std::function<void()>());
    }

    QString database() const { return CKivFriendDBModel::GetInstance()->GetDatabaseFile(); }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        m_model = CKivFriendNetModel::GetInstance();
        m_announced.clear();
        connect(m_model, &CKivFriendNetModel::SendPerMessage, this,
                [this](Uint32, const QByteArray& text) { m_announced.append(text); });
        connect(
            m_model, &CKivFriendNetModel::AccountLoginResult, this,
            [this] {
                std::lock_guard<std::mutex> guard(m_hookLock);
                if (m_onLogin) {
                    m_onLogin();
                }
            },
            Qt::DirectConnection);
        connect(
            m_model, &CKivFriendNetModel::SendPerMessage, this,
            [this](Uint32, const QByteArray& text) {
                std::lock_guard<std::mutex> guard(m_hookLock);
                if (m_onAnnounce) {
                    m_onAnnounce(text);
                }
            },
            Qt::DirectConnection);
        m_model->SetServerIP_And_Port("127.0.0.1", m_server.serverPort());
        m_model->Connect_Svr();
        QVERIFY(m_server.waitForNewConnection(10000));
        m_peer = m_server.nextPendingConnection();
        QTRY_VERIFY_WITH_TIMEOUT(m_model->IsConnected(), 5000);
    }

    void cleanup() {
        CKivFriendNetModel::ReleaseInstance();
        setHook(m_onLogin, std::function<void()>());
        setHook(m_onAnnounce, std::function<void(const QByteArray&)>());
        CKivFriendDBModel::ReleaseInstance();
        m_server.close();
        m_peer = nullptr;
        QDir::setCurrent(m_previousDir);
        m_dir.reset();
    }

    void burstIsStoredOnceInOrder() {
        login();
        QList<QByteArray> sent;
        QByteArray burst;
        for (int i = 0; i < 5000; ++i) {
            sent.append("message " + QByteArray::number(i));
            burst += chat(sent.last());
            if (i % 1250 == 1249) {
                m_peer->write(burst);
                burst.clear();
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_announced.size(), 5000, 60000);
        QCOMPARE(m_announced, sent);
        QCOMPARE(storedTexts(database()), sent);
    }

    void windowsHearOnlyOfReadableRows() {
        login();
        // Filled on the receive thread the moment a message is announced.
        auto unreadable = std::make_shared<QList<QByteArray>>();
        const QString file = database();
        setHook(m_onAnnounce, [unreadable, file](const QByteArray& text) {
            if (!storedTexts(file).contains(text)) {
                unreadable->append(text);
            }
        });
        QByteArray burst;
        for (int i = 0; i < 40; ++i) {
            burst += chat("seen " + QByteArray::number(i));
        }
        m_peer->write(burst.left(7000));
        m_peer->write(burst.mid(7000));
        QTRY_COMPARE_WITH_TIMEOUT(m_announced.size(), 40, 10000);
        setHook(m_onAnnounce, std::function<void(const QByteArray&)>());
        QCOMPARE(*unreadable, QList<QByteArray>());
    }

    void aRefusedInsertCostsOnlyItsOwnRecord() {
        login();
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "trigger");
        db.setDatabaseName(database());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(
            "CREATE TRIGGER refuse BEFORE INSERT ON chat_message_table WHEN NEW.message = 'poison' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("trigger");

        NotStoredLog log;
        const QList<QByteArray> texts = {"a", "b", "poison", "c", "d"};
        QByteArray burst;
        for (const QByteArray& text : texts) {
            burst += chat(text);
        }
        m_peer->write(burst);
        // Shown all the same: it was received, only its storing failed.
        QTRY_COMPARE_WITH_TIMEOUT(m_announced, texts, 5000);
        QCOMPARE(storedTexts(database()), (QList<QByteArray>{"a", "b", "c", "d"}));
        QCOMPARE(log.count(), 1);
    }

    void aFullDiskKeepsWhatFits() {
        login([](QSqlDatabase db) {
            QSqlQuery query(db);
            query.exec("PRAGMA page_count");
            const int pages = query.next() ? query.value(0).toInt() : 0;
            query.exec(QStringLiteral("PRAGMA max_page_count=%1").arg(pages + 4));
        });
        NotStoredLog log;
        QList<QByteArray> sent;
        QByteArray burst;
        for (int i = 0; i < 60; ++i) {
            sent.append(QByteArray::number(i) + QByteArray(900, 'x'));
            burst += chat(sent.last());
        }
        m_peer->write(burst);
        QTRY_COMPARE_WITH_TIMEOUT(m_announced.size(), sent.size(), 10000);
        const QList<QByteArray> stored = storedTexts(database());
        // What fitted before the file was full stays, once and in order.
        QVERIFY(!stored.isEmpty());
        QVERIFY(stored.size() < sent.size());
        QCOMPARE(stored, sent.mid(0, stored.size()));
        QCOMPARE(log.count(), sent.size() - stored.size());
    }

    void aReadOnlyDatabaseReportsEveryRecord() {
        login([](QSqlDatabase db) { QSqlQuery(db).exec("PRAGMA query_only=ON"); });
        NotStoredLog log;
        m_peer->write(chat("one") + chat("two") + chat("three"));
        QTRY_COMPARE_WITH_TIMEOUT(m_announced.size(), 3, 5000);
        QCOMPARE(storedTexts(database()), QList<QByteArray>());
        QCOMPARE(log.count(), 3);
    }
};

KIV_TEST_CLASS(TestGroupCommit)
#include "tst_CKivReceiveBatch.moc"
