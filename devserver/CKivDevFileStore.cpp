#include "CKivDevFileStore.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QVariant>

#include "KivDevSql.h"

namespace {

constexpr int kSessionAttempts = 16;
const char kColumns[] =
    "SELECT session, uid, size, type, held, created, updated, file_id, sha256 FROM file_uploads ";

KivDevFileUpload rowOf(const QSqlQuery& query) {
    KivDevFileUpload upload;
    upload.session = query.value(0).toUInt();
    upload.uid = query.value(1).toUInt();
    if (!query.value(2).isNull()) {
        upload.size = query.value(2).toLongLong();
    }
    upload.type = query.value(3).toString();
    upload.held = query.value(4).toLongLong();
    upload.created = query.value(5).toLongLong();
    upload.updated = query.value(6).toLongLong();
    upload.id = query.value(7).toString();
    upload.hash = query.value(8).toString();
    return upload;
}

}  // namespace

qint64 CKivDevFileStore::oldestLive() const {
    return QDateTime::currentSecsSinceEpoch() - m_limits.lifetimeSeconds;
}

bool CKivDevFileStore::select(const QString& where, const QVariantList& values,
                              std::vector<KivDevFileUpload>& rows) const {
    QSqlQuery query(m_db);
    if (!KivDevExec(query, QLatin1String(kColumns) + where, values)) {
        return false;
    }
    while (query.next()) {
        rows.push_back(rowOf(query));
    }
    return true;
}

std::uint32_t CKivDevFileStore::openSession(std::uint32_t uid) {
    const std::optional<qint64> used = usedBytes(uid);
    if (!used || *used >= m_limits.quotaBytes) {
        return 0;
    }
    // Random numbers, so that nobody uploads into a session by guessing it.
    for (int attempt = 0; attempt < kSessionAttempts; ++attempt) {
        const std::uint32_t session = QRandomGenerator::system()->generate();
        std::vector<KivDevFileUpload> rows;
        if (session == 0) {
            continue;
        }
        if (!select(QStringLiteral("WHERE session = ?"), {static_cast<qint64>(session)}, rows)) {
            return 0;
        }
        if (!rows.empty()) {
            continue;
        }
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        QSqlQuery query(m_db);
        if (!KivDevExec(query,
                        QStringLiteral("INSERT INTO file_uploads(session, uid, created, updated) "
                                       "VALUES(?, ?, ?, ?)"),
                        {static_cast<qint64>(session), static_cast<qint64>(uid), now, now})) {
            return 0;
        }
        return session;
    }
    return 0;
}

std::optional<qint64> CKivDevFileStore::usedBytes(std::uint32_t uid,
                                                  std::uint32_t exceptSession) const {
    QSqlQuery query(m_db);
    if (!KivDevExec(query,
                    QStringLiteral("SELECT COALESCE(SUM(size), 0) FROM file_uploads WHERE uid = ? "
                                   "AND session <> ? AND updated >= ?"),
                    {static_cast<qint64>(uid), static_cast<qint64>(exceptSession), oldestLive()}) ||
        !query.next()) {
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

bool CKivDevFileStore::liveSession(std::uint32_t session,
                                   std::optional<KivDevFileUpload>& found) const {
    std::vector<KivDevFileUpload> rows;
    if (!select(QStringLiteral("WHERE session = ? AND updated >= ?"),
                {static_cast<qint64>(session), oldestLive()}, rows)) {
        return false;
    }
    found = rows.empty() ? std::nullopt : std::optional<KivDevFileUpload>(rows.front());
    return true;
}

bool CKivDevFileStore::liveFile(const QString& id, std::optional<KivDevFileUpload>& found) const {
    std::vector<KivDevFileUpload> rows;
    if (!select(QStringLiteral("WHERE file_id = ? AND updated >= ?"), {id, oldestLive()}, rows)) {
        return false;
    }
    found = rows.empty() ? std::nullopt : std::optional<KivDevFileUpload>(rows.front());
    return true;
}

bool CKivDevFileStore::idTaken(const QString& id, bool& taken) const {
    std::vector<KivDevFileUpload> rows;
    if (!select(QStringLiteral("WHERE file_id = ?"), {id}, rows)) {
        return false;
    }
    taken = !rows.empty();
    return true;
}

bool CKivDevFileStore::recordHeld(std::uint32_t session, qint64 held, qint64 size,
                                  const QString& type) {
    QSqlQuery query(m_db);
    return KivDevExec(query,
                      QStringLiteral("UPDATE file_uploads SET held = ?, size = ?, type = ?, "
                                     "updated = ? WHERE session = ?"),
                      {held, size, type, QDateTime::currentSecsSinceEpoch(),
                       static_cast<qint64>(session)}) &&
           query.numRowsAffected() == 1;
}

bool CKivDevFileStore::recordComplete(std::uint32_t session, const QString& id,
                                      const QString& hash) {
    QSqlQuery query(m_db);
    return KivDevExec(
               query,
               QStringLiteral("UPDATE file_uploads SET file_id = ?, sha256 = ?, updated = ? "
                              "WHERE session = ?"),
               {id, hash, QDateTime::currentSecsSinceEpoch(), static_cast<qint64>(session)}) &&
           query.numRowsAffected() == 1;
}

std::optional<std::vector<KivDevFileUpload>> CKivDevFileStore::expired() const {
    std::vector<KivDevFileUpload> rows;
    if (!select(QStringLiteral("WHERE updated < ?"), {oldestLive()}, rows)) {
        return std::nullopt;
    }
    return rows;
}

bool CKivDevFileStore::remove(std::uint32_t session) {
    QSqlQuery query(m_db);
    return KivDevExec(query, QStringLiteral("DELETE FROM file_uploads WHERE session = ?"),
                      {static_cast<qint64>(session)});
}
