#include "CKivDevDatabase.h"

#include <QSqlError>
#include <QSqlQuery>

#include <iterator>

namespace {

// The first statements set up the connection; the rest create the tables.
constexpr int kConnectionPragmas = 3;

}  // namespace

CKivDevDatabase::CKivDevDatabase(const QString& path, const QString& connectionName)
    : m_path(path), m_name(connectionName) {
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
}

CKivDevDatabase::~CKivDevDatabase() {
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

bool CKivDevDatabase::exec(const QString& statement) {
    QSqlQuery query(m_db);
    if (!query.exec(statement)) {
        m_error = query.lastError().text();
        return false;
    }
    return true;
}

bool CKivDevDatabase::open(bool createSchema) {
    if (!m_db.open()) {
        m_error = m_db.lastError().text();
        return false;
    }
    const char* const statements[] = {
        "PRAGMA journal_mode=WAL", "PRAGMA busy_timeout=5000",
        // With write-ahead logging this stays consistent; only the last commits
        // may be lost on a power failure, which a development server can afford.
        "PRAGMA synchronous=NORMAL",
        "CREATE TABLE IF NOT EXISTS users(uid INTEGER PRIMARY KEY, account TEXT NOT NULL UNIQUE,"
        " password TEXT NOT NULL, nick TEXT NOT NULL DEFAULT '', sign TEXT NOT NULL DEFAULT '',"
        " sex INTEGER NOT NULL DEFAULT 1, birthday TEXT NOT NULL DEFAULT '',"
        " area TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '',"
        " head INTEGER NOT NULL DEFAULT 1, vip INTEGER NOT NULL DEFAULT 0,"
        " gift REAL NOT NULL DEFAULT 0, version INTEGER NOT NULL DEFAULT 1)",
        "CREATE INDEX IF NOT EXISTS users_phone ON users(phone)",
        "CREATE TABLE IF NOT EXISTS friends(uid INTEGER NOT NULL, friend INTEGER NOT NULL,"
        " PRIMARY KEY(uid, friend))",
        "CREATE TABLE IF NOT EXISTS friend_requests(asker INTEGER NOT NULL,"
        " asked INTEGER NOT NULL, PRIMARY KEY(asker, asked))",
        "CREATE TABLE IF NOT EXISTS offline_items(id INTEGER PRIMARY KEY AUTOINCREMENT,"
        " receiver INTEGER NOT NULL, kind INTEGER NOT NULL, sender INTEGER NOT NULL,"
        " sent_at TEXT NOT NULL, text BLOB NOT NULL)",
        "CREATE INDEX IF NOT EXISTS offline_receiver ON offline_items(receiver, id)",
        "CREATE TABLE IF NOT EXISTS upload_sessions(session INTEGER PRIMARY KEY,"
        " uid INTEGER NOT NULL, created INTEGER NOT NULL, used INTEGER NOT NULL DEFAULT 0)",
        "CREATE TABLE IF NOT EXISTS head_pictures(head INTEGER PRIMARY KEY,"
        " uid INTEGER NOT NULL, png BLOB NOT NULL)",
        "CREATE INDEX IF NOT EXISTS head_pictures_uid ON head_pictures(uid, head)",
        // Attachment uploads: `size` is declared by the first chunk, `held`
        // counts the bytes on the disk, `file_id` is set once complete.
        "CREATE TABLE IF NOT EXISTS file_uploads(session INTEGER PRIMARY KEY,"
        " uid INTEGER NOT NULL, size INTEGER, type TEXT NOT NULL DEFAULT '',"
        " held INTEGER NOT NULL DEFAULT 0, created INTEGER NOT NULL, updated INTEGER NOT NULL,"
        " file_id TEXT UNIQUE, sha256 TEXT)",
        "CREATE INDEX IF NOT EXISTS file_uploads_uid ON file_uploads(uid)"};
    const int count = createSchema ? static_cast<int>(std::size(statements)) : kConnectionPragmas;
    for (int i = 0; i < count; ++i) {
        const char* statement = statements[i];
        if (!exec(QString::fromLatin1(statement))) {
            return false;
        }
    }
    return true;
}
