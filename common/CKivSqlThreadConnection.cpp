#include "CKivSqlThreadConnection.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QThread>
#include <atomic>

namespace {

// Long enough for any single statement of the other thread to finish.
const char* const BusyTimeoutOption = "QSQLITE_BUSY_TIMEOUT=10000";

}  // namespace

CKivSqlThreadConnection::~CKivSqlThreadConnection() {
    release();
}

CKivSqlThreadConnection& CKivSqlThreadConnection::current() {
    thread_local CKivSqlThreadConnection connection;
    return connection;
}

QString CKivSqlThreadConnection::connectionName() {
    // The user-interface thread keeps Qt's default connection, so a plain
    // QSqlQuery there runs on the chat database.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() == QThread::currentThread()) {
        return QLatin1String(QSqlDatabase::defaultConnection);
    }
    static std::atomic<int> counter{0};
    return QStringLiteral("kivsql-thread-%1").arg(++counter);
}

QSqlDatabase CKivSqlThreadConnection::open(const QString& file) {
    if (m_name.isEmpty()) {
        m_name = connectionName();
        m_database = QSqlDatabase::contains(m_name) ? QSqlDatabase::database(m_name, false)
                                                    : QSqlDatabase::addDatabase("QSQLITE", m_name);
        m_database.setConnectOptions(QLatin1String(BusyTimeoutOption));
    }
    if (m_database.isOpen() && m_file == file) {
        return m_database;
    }
    m_kept.clear();
    m_database.close();
    m_file = file;
    m_database.setDatabaseName(file);
    if (!file.isEmpty() && m_database.open()) {
        QSqlQuery pragma(m_database);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        // Every commit is on the disk when it returns: a message kept in the
        // outbox, or a received row confirmed to the server, survives a power cut.
        pragma.exec(QStringLiteral("PRAGMA synchronous=FULL"));
    }
    return m_database;
}

QSqlQuery* CKivSqlThreadConnection::kept(const QString& sql) {
    const auto found = m_kept.constFind(sql);
    if (found != m_kept.constEnd()) {
        return found.value().get();
    }
    auto query = std::make_shared<QSqlQuery>(m_database);
    if (!m_database.isOpen() || !query->prepare(sql)) {
        return nullptr;
    }
    return m_kept.insert(sql, query).value().get();
}

void CKivSqlThreadConnection::release() {
    if (m_name.isEmpty()) {
        return;
    }
    m_kept.clear();
    m_database.close();
    m_database = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
    m_file.clear();
}
