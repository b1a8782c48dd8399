#include <QtTest>
#include <thread>

#include "CKivFriendSqlUtilCommon.h"
#include "KivTestRegistry.h"

class tst_CKivFriendSqlUtilCommon : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void cleanup() { CKivFriendSqlUtilCommon::ReleaseSqlUtil(); }

    void sameFileKeepsConnection() {
        const QString file = m_dir.filePath(QStringLiteral("a.db"));
        CKivFriendSqlUtilCommon* first = CKivFriendSqlUtilCommon::CreateSqlUtil(file);
        QSqlQuery query;
        QVERIFY(first->sqlUtilExecute(QStringLiteral("create table t(x)"), query));
        QVERIFY(first->sqlUtilExecute(QStringLiteral("insert into t values(1)"), query));
        CKivFriendSqlUtilCommon* second = CKivFriendSqlUtilCommon::CreateSqlUtil(file);
        QCOMPARE(second, first);
        QVERIFY(second->database().isOpen());
        QVERIFY(second->sqlUtilExecute(QStringLiteral("select count(*) from t"), query));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 1);
    }

    void otherFileRepoints() {
        const QString fileA = m_dir.filePath(QStringLiteral("b1.db"));
        const QString fileB = m_dir.filePath(QStringLiteral("b2.db"));
        CKivFriendSqlUtilCommon* util = CKivFriendSqlUtilCommon::CreateSqlUtil(fileA);
        QSqlQuery query(util->database());
        QVERIFY(util->sqlUtilExecute(QStringLiteral("create table only_in_a(x)"), query));
        util = CKivFriendSqlUtilCommon::CreateSqlUtil(fileB);
        QCOMPARE(util->database().databaseName(), fileB);
        QVERIFY(!util->sqlUtilExecute(QStringLiteral("select * from only_in_a"), query));
    }

    void releaseWithoutInstance() {
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    }

    void unopenableFileFails() {
        CKivFriendSqlUtilCommon* util =
            CKivFriendSqlUtilCommon::CreateSqlUtil(m_dir.filePath(QStringLiteral("no/such/x.db")));
        QSqlQuery query;
        QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::exec: database not open");
        QVERIFY(!util->sqlUtilExecute(QStringLiteral("select 1"), query));
    }

    void boundValuesKeepTheirText() {
        CKivFriendSqlUtilCommon* util =
            CKivFriendSqlUtilCommon::CreateSqlUtil(m_dir.filePath(QStringLiteral("c.db")));
        QSqlQuery query;
        QVERIFY(util->sqlUtilExecute(QStringLiteral("create table t(x)"), query));
        const QString hostile = QStringLiteral("'); DROP TABLE t; -- %1 \"");
        QVERIFY(util->sqlUtilExecute(QStringLiteral("insert into t values(?)"), query, {hostile}));
        QVERIFY(util->sqlUtilExecute(QStringLiteral("select x from t"), query));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), hostile);
    }

    void walForEveryThread() {
        const QString file = m_dir.filePath(QStringLiteral("d.db"));
        CKivFriendSqlUtilCommon* util = CKivFriendSqlUtilCommon::CreateSqlUtil(file);
        QSqlQuery query;
        QVERIFY(util->sqlUtilExecute(QStringLiteral("create table t(x)"), query));
        QVERIFY(util->sqlUtilExecute(QStringLiteral("PRAGMA journal_mode"), query));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("wal"));
        // A worker thread may hand in a query made for no connection at all.
        QString workerConnection;
        bool workerOk = false;
        std::thread worker([&] {
            QSqlQuery own(util->database());
            workerConnection = util->database().connectionName();
            workerOk = util->sqlUtilExecute(QStringLiteral("insert into t values(?)"), own, {7});
        });
        worker.join();
        QVERIFY(workerOk);
        QVERIFY(workerConnection != util->database().connectionName());
        QVERIFY(!QSqlDatabase::contains(workerConnection));
        QVERIFY(util->sqlUtilExecute(QStringLiteral("select x from t"), query));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 7);
    }
};

KIV_TEST_CLASS(tst_CKivFriendSqlUtilCommon)
#include "tst_CKivFriendSqlUtilCommon.moc"
