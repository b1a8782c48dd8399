#include "CKivChatSearchIndex.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "KivLog.h"

namespace {

bool run(QSqlQuery& query, const QString& sql, const QVariantList& values = {}) {
    if (!query.prepare(sql)) {
        qCWarning(lcKivModel).noquote() << "search index:" << query.lastError().text();
        return false;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        qCWarning(lcKivModel).noquote() << "search index:" << query.lastError().text();
        return false;
    }
    return true;
}

// "(senderuid=? and recveruid=?) or the other way", for a conversation.
QString ScopeClause(CKivChatSearchIndex::Scope scope, const char* table, QVariantList* values) {
    if (scope.uidA == 0) {
        return QString();
    }
    values->append({scope.uidA, scope.uidB, scope.uidB, scope.uidA});
    return QStringLiteral(
               " and ((%1senderuid=? and %1recveruid=?) or (%1senderuid=? and "
               "%1recveruid=?))")
        .arg(QLatin1String(table));
}

// Trigrams that together cover the query, each a quoted phrase. Without
// positions in the index they only find candidates; the caller checks them.
QString TrigramMatch(const QString& query) {
    const QVector<uint> points = query.toUcs4();
    QStringList phrases;
    const int last = points.size() - CKivChatSearchIndex::MinIndexedLength;
    for (int at = 0;; at += CKivChatSearchIndex::MinIndexedLength) {
        const int from = qMin(at, last);
        QString trigram = QString::fromUcs4(points.constData() + from, 3);
        trigram.replace(QLatin1Char('"'), QLatin1String("\"\""));
        phrases.append(QLatin1Char('"') + trigram + QLatin1Char('"'));
        if (from == last) {
            break;
        }
    }
    return phrases.join(QLatin1String(" AND "));
}

void ReadRows(QSqlQuery& query, QVector<CKivChatRecordRow>* rows) {
    while (query.next()) {
        rows->append({query.value(0).toLongLong(), query.value(1).toUInt(), query.value(2).toUInt(),
                      query.value(3).toString(), query.value(4).toString()});
    }
}

const char* const kTable = "kiv_chat_search";

}  // namespace

bool CKivChatSearchIndex::prepare(const QSqlDatabase& database) {
    QSqlQuery query(database);
    // No positions and no sizes: the index is a third of the size, and
    // every candidate is checked against its text anyway.
    if (!query.exec(
            QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS kiv_chat_search USING "
                           "fts5(message, tokenize='trigram', detail='none', columnsize=0)"))) {
        qCInfo(lcKivModel).noquote() << "search index unavailable:" << query.lastError().text();
        return false;
    }
    if (!run(query, QStringLiteral("CREATE TABLE IF NOT EXISTS kiv_chat_search_state(low "
                                   "INTEGER NOT NULL,high INTEGER NOT NULL)")) ||
        !run(query, QStringLiteral("SELECT 1 FROM kiv_chat_search_state"))) {
        return false;
    }
    if (query.next()) {
        return true;
    }
    // What existed when the index was made is filled in from the newest down.
    return run(query,
               QStringLiteral("INSERT INTO kiv_chat_search_state SELECT coalesce(max(id),0)+1,"
                              "coalesce(max(id),0) FROM chat_message_table WHERE NOT EXISTS "
                              "(SELECT 1 FROM kiv_chat_search_state)"));
}

bool CKivChatSearchIndex::available(const QSqlDatabase& database) {
    return database.tables().contains(QLatin1String(kTable)) &&
           database.tables().contains(QStringLiteral("kiv_chat_search_state"));
}

QString CKivChatSearchIndex::insertStatement() {
    return QStringLiteral("INSERT INTO kiv_chat_search(rowid,message) VALUES(?,?)");
}

bool CKivChatSearchIndex::added(QSqlQuery& insert, qint64 id, const QString& message) {
    insert.bindValue(0, id);
    insert.bindValue(1, message);
    if (!insert.exec()) {
        qCWarning(lcKivModel).noquote() << "search index:" << insert.lastError().text();
        return false;
    }
    return true;
}

bool CKivChatSearchIndex::forget(const QSqlDatabase& database, quint32 uidA, quint32 uidB) {
    QSqlQuery query(database);
    return run(query,
               QStringLiteral("DELETE FROM kiv_chat_search WHERE rowid IN (SELECT id FROM "
                              "chat_message_table WHERE (senderuid=? AND recveruid=?) OR "
                              "(senderuid=? AND recveruid=?))"),
               {uidA, uidB, uidB, uidA});
}

bool CKivChatSearchIndex::coverage(const QSqlDatabase& database, Coverage* coverage) {
    QSqlQuery query(database);
    if (!run(query, QStringLiteral("SELECT low,high,(SELECT coalesce(max(id),0) FROM "
                                   "chat_message_table) FROM kiv_chat_search_state")) ||
        !query.next()) {
        return false;
    }
    coverage->low = query.value(0).toLongLong();
    coverage->high = query.value(1).toLongLong();
    coverage->top = query.value(2).toLongLong();
    return true;
}

qint64 CKivChatSearchIndex::newestId(const QSqlDatabase& database) {
    QSqlQuery query(database);
    if (!run(query, QStringLiteral("SELECT coalesce(max(id),0) FROM chat_message_table")) ||
        !query.next()) {
        return 0;
    }
    return query.value(0).toLongLong();
}

bool CKivChatSearchIndex::fillStep(const QSqlDatabase& database, int rows, bool* done) {
    Coverage now;
    if (!coverage(database, &now)) {
        return false;
    }
    QSqlQuery query(database);
    if (now.top > now.high) {
        // Rows the model stored are in already; only another writer's are missing.
        const qint64 high = qMin(now.top, now.high + rows);
        if (!run(query,
                 QStringLiteral("INSERT INTO kiv_chat_search(rowid,message) SELECT id,message "
                                "FROM chat_message_table m WHERE id>? AND id<=? AND type=0 AND "
                                "NOT EXISTS (SELECT 1 FROM kiv_chat_search WHERE rowid=m.id)"),
                 {now.high, high}) ||
            !run(query, QStringLiteral("UPDATE kiv_chat_search_state SET high=?"), {high})) {
            return false;
        }
        now.high = high;
    }
    if (!now.complete()) {
        const qint64 low = qMax<qint64>(1, now.low - rows);
        if (!run(query,
                 QStringLiteral("INSERT OR REPLACE INTO kiv_chat_search(rowid,message) SELECT "
                                "id,message FROM chat_message_table WHERE id>=? AND id<? AND "
                                "type=0"),
                 {low, now.low}) ||
            !run(query, QStringLiteral("UPDATE kiv_chat_search_state SET low=?"), {low})) {
            return false;
        }
        now.low = low;
    }
    *done = now.complete() && now.high >= now.top;
    return true;
}

bool CKivChatSearchIndex::candidates(const QSqlDatabase& database, const QString& query,
                                     Scope scope, qint64 before, int limit,
                                     QVector<CKivChatRecordRow>* rows) {
    if (query.toUcs4().size() < MinIndexedLength) {
        return false;
    }
    QVariantList values{TrigramMatch(query), before};
    const QString inScope = ScopeClause(scope, "m.", &values);
    values.append(limit);
    QSqlQuery select(database);
    select.setForwardOnly(true);
    // The index walks its hits newest first; each is looked up by id.
    if (!run(select,
             QStringLiteral("SELECT m.id,m.senderuid,m.recveruid,m.message,m.msgtime FROM "
                            "kiv_chat_search s CROSS JOIN chat_message_table m ON m.id=s.rowid "
                            "WHERE s.kiv_chat_search MATCH ? AND s.rowid<? AND m.type=0%1 "
                            "ORDER BY s.rowid DESC LIMIT ?")
                 .arg(inScope),
             values)) {
        return false;
    }
    ReadRows(select, rows);
    return true;
}

bool CKivChatSearchIndex::scan(const QSqlDatabase& database, const QString& query, Scope scope,
                               qint64 before, qint64 floor, int limit,
                               QVector<CKivChatRecordRow>* rows) {
    QVariantList values{before, floor, folded(query)};
    const QString inScope = ScopeClause(scope, "", &values);
    values.append(limit);
    QSqlQuery select(database);
    select.setForwardOnly(true);
    if (!run(select,
             QStringLiteral("SELECT id,senderuid,recveruid,message,msgtime FROM chat_message_table "
                            "WHERE id<? AND id>=? AND type=0 AND instr(lower(message),?)>0%1 "
                            "ORDER BY id DESC LIMIT ?")
                 .arg(inScope),
             values)) {
        return false;
    }
    ReadRows(select, rows);
    return true;
}

bool CKivChatSearchIndex::rank(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                               const QString& msgTime, qint64 id, int* rank) {
    QSqlQuery query(database);
    const QString newer = QStringLiteral(
        "(SELECT count(*) FROM chat_message_table WHERE senderuid=? AND recveruid=? AND "
        "(msgtime,id)>(?,?))");
    if (!run(query, QStringLiteral("SELECT %1+%1").arg(newer),
             {uidA, uidB, msgTime, id, uidB, uidA, msgTime, id}) ||
        !query.next()) {
        return false;
    }
    *rank = query.value(0).toInt();
    return true;
}

QString CKivChatSearchIndex::folded(const QString& text) {
    QString lowered = text;
    for (QChar& c : lowered) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return lowered;
}
