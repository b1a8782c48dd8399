#include "CKivDevOfflineStore.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

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

void CKivDevOfflineStore::acknowledge(std::uint32_t receiver, std::uint32_t lastId) {
    if (lastId == 0) {
        return;
    }
    QSqlQuery query(m_db);
    KivDevExec(query, QStringLiteral("DELETE FROM offline_items WHERE receiver = ? AND id <= ?"),
               {static_cast<qint64>(receiver), static_cast<qint64>(lastId)});
}

std::optional<CKivDevOfflineStore::Item> CKivDevOfflineStore::next(std::uint32_t receiver,
                                                                   std::uint32_t afterId) const {
    QSqlQuery query(m_db);
    if (!KivDevExec(query,
                    QStringLiteral("SELECT id, kind, sender, sent_at, text FROM offline_items "
                                   "WHERE receiver = ? AND id > ? ORDER BY id LIMIT 1"),
                    {static_cast<qint64>(receiver), static_cast<qint64>(afterId)}) ||
        !query.next()) {
        return std::nullopt;
    }
    Item item;
    item.id = query.value(0).toUInt();
    item.kind = query.value(1).toInt();
    item.sender = query.value(2).toUInt();
    item.sentAt = query.value(3).toString();
    item.text = query.value(4).toByteArray();
    return item;
}
