#include "CKivDevHeadStore.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

#include "KivDevSql.h"

std::uint32_t CKivDevHeadStore::openSession(std::uint32_t uid) {
    QSqlQuery query(m_db);
    if (!KivDevExec(query, QStringLiteral("SELECT MAX(session) FROM upload_sessions"), {}) ||
        !query.next()) {
        return 0;
    }
    const std::uint32_t session = std::max(query.value(0).toUInt() + 1, kFirstHead);
    if (!KivDevExec(query,
                    QStringLiteral("INSERT INTO upload_sessions(session, uid, created) "
                                   "VALUES(?, ?, ?)"),
                    {static_cast<qint64>(session), static_cast<qint64>(uid),
                     QDateTime::currentSecsSinceEpoch()})) {
        return 0;
    }
    return session;
}

CKivDevHeadStore::StoreResult CKivDevHeadStore::storePicture(std::uint32_t session,
                                                             std::uint32_t uid,
                                                             const QByteArray& png) {
    if (!m_db.transaction()) {
        return StoreResult::Failed;
    }
    QSqlQuery query(m_db);
    if (!KivDevExec(query,
                    QStringLiteral("UPDATE upload_sessions SET used = 1 WHERE session = ? AND "
                                   "uid = ? AND used = 0 AND created >= ?"),
                    {static_cast<qint64>(session), static_cast<qint64>(uid),
                     QDateTime::currentSecsSinceEpoch() - kSessionLifetimeSeconds})) {
        m_db.rollback();
        return StoreResult::Failed;
    }
    if (query.numRowsAffected() != 1) {
        m_db.rollback();
        return StoreResult::BadSession;
    }
    if (!KivDevExec(query,
                    QStringLiteral("INSERT INTO head_pictures(head, uid, png) VALUES(?, ?, ?)"),
                    {static_cast<qint64>(session), static_cast<qint64>(uid), png}) ||
        !m_db.commit()) {
        m_db.rollback();
        return StoreResult::Failed;
    }
    return StoreResult::Stored;
}

bool CKivDevHeadStore::ownsPicture(std::uint32_t uid, std::uint32_t head) const {
    QSqlQuery query(m_db);
    return KivDevExec(query,
                      QStringLiteral("SELECT 1 FROM head_pictures WHERE head = ? AND uid = ?"),
                      {static_cast<qint64>(head), static_cast<qint64>(uid)}) &&
           query.next();
}

std::optional<QByteArray> CKivDevHeadStore::pictureOf(std::uint32_t uid, std::uint32_t head) const {
    QSqlQuery query(m_db);
    if (!KivDevExec(query,
                    QStringLiteral("SELECT png FROM head_pictures WHERE uid = ? "
                                   "ORDER BY head = ? DESC, head DESC LIMIT 1"),
                    {static_cast<qint64>(uid), static_cast<qint64>(head)}) ||
        !query.next()) {
        return std::nullopt;
    }
    return query.value(0).toByteArray();
}
