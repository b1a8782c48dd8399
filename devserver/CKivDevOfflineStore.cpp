#include "CKivDevOfflineStore.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

#include "KivDevSql.h"

bool CKivDevOfflineStore::add(std::uint32_t receiver, Kind kind, std::uint32_t sender,
                              const QByteArray& text) {
    QSqlQuery query(m_db);
    if (kind == RequestItem &&
        !KivDevExec(
            query,
            QStringLiteral("DELETE FROM offline_items WHERE receiver = ? AND kind = ? "
                           "AND sender = ?"),
            {static_cast<qint64>(receiver), static_cast<int>(kind), static_cast<qint64>(sender)})) {
        return false;
    }
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return KivDevExec(query,
                      QStringLiteral("INSERT INTO offline_items(receiver, kind, sender, sent_at, "
                                     "text) VALUES(?, ?, ?, ?, ?)"),
                      {static_cast<qint64>(receiver), static_cast<int>(kind),
                       static_cast<qint64>(sender), now, text});
}

namespace {

// Acknowledged items kept before they are removed: one commit for many.
constexpr int kRemoveEvery = 64;

bool prepareOnce(QSqlQuery& query, const QString& sql) {
    return !query.lastQuery().isEmpty() || KivDevPrepare(query, sql);
}

}  // namespace

CKivDevOfflineStore::~CKivDevOfflineStore() {
    removeAcknowledged();
}

void CKivDevOfflineStore::acknowledge(std::uint32_t receiver, std::uint32_t lastId) {
    if (lastId == 0) {
        return;
    }
    std::uint32_t& kept = m_acknowledged[receiver];
    kept = std::max(kept, lastId);
    if (++m_unremoved >= kRemoveEvery) {
        removeAcknowledged();
    }
}

void CKivDevOfflineStore::removeAcknowledged() {
    m_unremoved = 0;
    if (m_acknowledged.isEmpty() ||
        !prepareOnce(m_removeQuery,
                     QStringLiteral("DELETE FROM offline_items WHERE receiver = ? AND id <= ?"))) {
        return;
    }
    m_db.transaction();
    for (auto it = m_acknowledged.cbegin(); it != m_acknowledged.cend(); ++it) {
        m_removeQuery.addBindValue(static_cast<qint64>(it.key()));
        m_removeQuery.addBindValue(static_cast<qint64>(it.value()));
        KivDevRun(m_removeQuery);
    }
    m_db.commit();
    m_acknowledged.clear();
}

std::optional<CKivDevOfflineStore::Item> CKivDevOfflineStore::next(std::uint32_t receiver,
                                                                   std::uint32_t afterId) {
    // Items acknowledged earlier (in this pull or an interrupted one) are done.
    const std::uint32_t after = std::max(afterId, m_acknowledged.value(receiver, 0));
    if (!prepareOnce(m_nextQuery,
                     QStringLiteral("SELECT id, kind, sender, sent_at, text FROM offline_items "
                                    "WHERE receiver = ? AND id > ? ORDER BY id LIMIT 1"))) {
        return std::nullopt;
    }
    m_nextQuery.addBindValue(static_cast<qint64>(receiver));
    m_nextQuery.addBindValue(static_cast<qint64>(after));
    if (!KivDevRun(m_nextQuery) || !m_nextQuery.next()) {
        m_nextQuery.finish();
        // The pull is over: what it acknowledged leaves the file now.
        removeAcknowledged();
        return std::nullopt;
    }
    Item item;
    item.id = m_nextQuery.value(0).toUInt();
    item.kind = m_nextQuery.value(1).toInt();
    item.sender = m_nextQuery.value(2).toUInt();
    item.sentAt = m_nextQuery.value(3).toString();
    item.text = m_nextQuery.value(4).toByteArray();
    m_nextQuery.finish();
    return item;
}
