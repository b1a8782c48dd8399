#include "CKivChatHistoryIndex.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace {

struct Direction {
    quint32 sender;
    quint32 receiver;
};

}  // namespace

quint64 CKivChatHistoryIndex::pairKey(quint32 uidA, quint32 uidB) {
    return (quint64(std::min(uidA, uidB)) << 32) | std::max(uidA, uidB);
}

bool CKivChatHistoryIndex::before(const Key& a, const Key& b) {
    const int order = qstrcmp(a.time, b.time);
    return order > 0 || (order == 0 && a.id > b.id);
}

QStringList CKivChatHistoryIndex::schema() {
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS kiv_history_conversation(low INTEGER NOT NULL,"
                       "high INTEGER NOT NULL,total INTEGER NOT NULL,covered INTEGER NOT NULL,"
                       "PRIMARY KEY(low,high));"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS kiv_history_bucket(low INTEGER NOT NULL,"
                       "high INTEGER NOT NULL,msgtime TEXT NOT NULL,id INTEGER NOT NULL,"
                       "rows INTEGER NOT NULL,PRIMARY KEY(low,high,msgtime,id)) WITHOUT ROWID;"),
        // Rows that leave a conversation or move in time, by any writer (the
        // settings' "clear history" deletes directly), void what is kept of
        // it; new rows need nothing, their ids are caught up with.
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kiv_history_row_deleted AFTER DELETE ON "
                       "chat_message_table BEGIN DELETE FROM kiv_history_conversation WHERE "
                       "low=min(OLD.senderuid,OLD.recveruid) AND "
                       "high=max(OLD.senderuid,OLD.recveruid); END;"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS kiv_history_row_moved AFTER UPDATE OF "
                       "senderuid,recveruid,msgtime ON chat_message_table BEGIN DELETE FROM "
                       "kiv_history_conversation WHERE low=min(OLD.senderuid,OLD.recveruid) AND "
                       "high=max(OLD.senderuid,OLD.recveruid); DELETE FROM "
                       "kiv_history_conversation WHERE low=min(NEW.senderuid,NEW.recveruid) AND "
                       "high=max(NEW.senderuid,NEW.recveruid); END;"),
    };
}

namespace {

bool run(QSqlQuery& query, const QString& sql, const QVariantList& values, QString* error) {
    if (!query.prepare(sql)) {
        *error = query.lastError().text();
        return false;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

QVariantList pairValues(quint32 uidA, quint32 uidB) {
    return {std::min(uidA, uidB), std::max(uidA, uidB)};
}

}  // namespace

bool CKivChatHistoryIndex::dropSaved(const QSqlDatabase& database, quint32 uidA, quint32 uidB) {
    QSqlQuery query(database);
    QString error;
    return run(query, QStringLiteral("DELETE FROM kiv_history_conversation WHERE low=? AND high=?"),
               pairValues(uidA, uidB), &error) &&
           run(query, QStringLiteral("DELETE FROM kiv_history_bucket WHERE low=? AND high=?"),
               pairValues(uidA, uidB), &error);
}

bool CKivChatHistoryIndex::stillKept(const QSqlDatabase& database, quint32 uidA, quint32 uidB) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    return run(query,
               QStringLiteral("select 1 from kiv_history_conversation where low=? and high=?"),
               pairValues(uidA, uidB), &m_lastError) &&
           query.next();
}

void CKivChatHistoryIndex::clear() {
    m_conversations.clear();
    m_unsaved.clear();
}

void CKivChatHistoryIndex::forget(quint32 uidA, quint32 uidB) {
    m_conversations.remove(pairKey(uidA, uidB));
    m_unsaved.remove(pairKey(uidA, uidB));
}

void CKivChatHistoryIndex::added(quint32 sender, quint32 receiver, const QString& msgTime,
                                 qint64 id) {
    const auto found = m_conversations.find(pairKey(sender, receiver));
    if (found != m_conversations.end()) {
        add(&found.value(), Key{msgTime.toUtf8(), id});
        // Kept fresh at the next read, so a later run has little to catch up.
        m_unsaved.insert(found.key(), true);
    }
}

void CKivChatHistoryIndex::add(Conversation* conversation, const Key& key) {
    ++conversation->total;
    conversation->covered = std::max(conversation->covered, key.id);
    QVector<Bucket>& buckets = conversation->buckets;
    const auto next = std::upper_bound(
        buckets.begin(), buckets.end(), key,
        [](const Key& row, const Bucket& bucket) { return before(row, bucket.first); });
    if (next == buckets.begin()) {
        if (buckets.isEmpty()) {
            buckets.append(Bucket{key, 0});
        }
        buckets.first().first = key;
        ++buckets.first().count;
        return;
    }
    ++(next - 1)->count;
}

bool CKivChatHistoryIndex::scan(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                                const Key* from, int limit, bool keysOnly, const Visitor& visit) {
    QString sql = keysOnly ? QStringLiteral("select id,senderuid,recveruid,msgtime")
                           : QStringLiteral("select id,senderuid,recveruid,msgtime,message");
    sql += QStringLiteral(" from chat_message_table where senderuid=? and recveruid=?");
    if (from) {
        sql += QStringLiteral(" and (msgtime,id)<=(?,?)");
    }
    sql += QStringLiteral(" order by msgtime desc,id desc limit ?");

    const Direction directions[] = {{uidA, uidB}, {uidB, uidA}};
    const int directionCount = uidA == uidB ? 1 : 2;
    QSqlQuery queries[2] = {QSqlQuery(database), QSqlQuery(database)};
    CKivChatRecordRow rows[2];
    Key keys[2];
    bool present[2] = {false, false};
    const auto advance = [&](int i) {
        present[i] = queries[i].next();
        if (present[i]) {
            rows[i].id = queries[i].value(0).toLongLong();
            rows[i].senderUid = queries[i].value(1).toUInt();
            rows[i].receiverUid = queries[i].value(2).toUInt();
            rows[i].msgTime = queries[i].value(3).toString();
            if (!keysOnly) {
                rows[i].message = queries[i].value(4).toString();
            }
            keys[i] = Key{rows[i].msgTime.toUtf8(), rows[i].id};
        }
    };
    for (int i = 0; i < directionCount; ++i) {
        QSqlQuery& query = queries[i];
        query.setForwardOnly(true);
        if (!query.prepare(sql)) {
            m_lastError = query.lastError().text();
            return false;
        }
        query.addBindValue(directions[i].sender);
        query.addBindValue(directions[i].receiver);
        if (from) {
            query.addBindValue(QString::fromUtf8(from->time));
            query.addBindValue(from->id);
        }
        query.addBindValue(limit);
        if (!query.exec()) {
            m_lastError = query.lastError().text();
            return false;
        }
        advance(i);
    }
    for (int visited = 0; (present[0] || present[1]) && (limit < 0 || visited < limit); ++visited) {
        const int i = !present[1] || (present[0] && before(keys[0], keys[1])) ? 0 : 1;
        visit(rows[i], keys[i]);
        advance(i);
    }
    return true;
}

bool CKivChatHistoryIndex::build(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                                 Conversation* built) {
    // No commit of the model can happen meanwhile (its owner serialises),
    // so every row up to the largest id now is among those scanned.
    QSqlQuery last(database);
    if (!run(last, QStringLiteral("select max(id) from chat_message_table"), {}, &m_lastError)) {
        return false;
    }
    built->covered = last.next() ? last.value(0).toLongLong() : 0;
    return scan(database, uidA, uidB, nullptr, -1, true,
                [built](const CKivChatRecordRow&, const Key& rowKey) {
                    if (built->total % BucketSize == 0) {
                        built->buckets.append(Bucket{rowKey, 0});
                    }
                    ++built->buckets.last().count;
                    ++built->total;
                });
}

bool CKivChatHistoryIndex::load(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                                Conversation* loaded) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!run(query,
             QStringLiteral("select total,covered from kiv_history_conversation "
                            "where low=? and high=?"),
             pairValues(uidA, uidB), &m_lastError) ||
        !query.next()) {
        return false;
    }
    const int total = query.value(0).toInt();
    loaded->inFile = true;
    loaded->covered = query.value(1).toLongLong();
    loaded->savedTotal = total;
    loaded->savedCovered = loaded->covered;
    if (!run(query,
             QStringLiteral("select msgtime,id,rows from kiv_history_bucket where low=? and "
                            "high=? order by msgtime desc,id desc"),
             pairValues(uidA, uidB), &m_lastError)) {
        return false;
    }
    while (query.next()) {
        const Bucket bucket{Key{query.value(0).toByteArray(), query.value(1).toLongLong()},
                            query.value(2).toInt()};
        loaded->buckets.append(bucket);
        loaded->saved.insert(SavedKey(bucket.first.time, bucket.first.id), bucket.count);
        loaded->total += bucket.count;
    }
    if (loaded->total != total) {
        return false;
    }
    // Rows stored since the keys were saved, by any writer, have larger ids;
    // each direction's own index finds them without touching other conversations.
    const qint64 keptUpTo = loaded->covered;
    qint64 newest = keptUpTo;
    const Direction directions[] = {{uidA, uidB}, {uidB, uidA}};
    for (int i = 0; i < (uidA == uidB ? 1 : 2); ++i) {
        if (!run(query,
                 QStringLiteral("select id,msgtime from chat_message_table where senderuid=? "
                                "and recveruid=? and id>? order by id"),
                 {directions[i].sender, directions[i].receiver, keptUpTo}, &m_lastError)) {
            return false;
        }
        while (query.next()) {
            const qint64 id = query.value(0).toLongLong();
            newest = std::max(newest, id);
            add(loaded, Key{query.value(1).toString().toUtf8(), id});
        }
    }
    loaded->covered = newest;
    return true;
}

CKivChatHistoryIndex::Conversation* CKivChatHistoryIndex::conversation(const QSqlDatabase& database,
                                                                       quint32 uidA, quint32 uidB) {
    const quint64 key = pairKey(uidA, uidB);
    const auto found = m_conversations.find(key);
    if (found != m_conversations.end()) {
        if (!found->inFile || stillKept(database, uidA, uidB)) {
            return &found.value();
        }
        // Rows of it were deleted or moved behind the model's back.
        forget(uidA, uidB);
    }
    Conversation ready;
    if (!load(database, uidA, uidB, &ready)) {
        ready = Conversation();
        ready.purge = true;
        if (!build(database, uidA, uidB, &ready)) {
            return nullptr;
        }
    }
    Conversation& kept = m_conversations.insert(key, ready).value();
    if (kept.purge || kept.total != kept.savedTotal || kept.covered != kept.savedCovered) {
        m_unsaved.insert(key, true);
    }
    return &kept;
}

bool CKivChatHistoryIndex::saveConversation(const QSqlDatabase& database, quint64 pair,
                                            Conversation* conversation) {
    const QVariantList owners = {static_cast<quint32>(pair >> 32),
                                 static_cast<quint32>(pair & 0xFFFFFFFFu)};
    QMap<SavedKey, int> now;
    for (const Bucket& bucket : conversation->buckets) {
        now.insert(SavedKey(bucket.first.time, bucket.first.id), bucket.count);
    }
    QSqlQuery query(database);
    if (conversation->purge) {
        if (!run(query, QStringLiteral("delete from kiv_history_bucket where low=? and high=?"),
                 owners, &m_lastError)) {
            return false;
        }
        conversation->saved.clear();
        conversation->purge = false;
    }
    for (auto it = conversation->saved.cbegin(); it != conversation->saved.cend(); ++it) {
        if (!now.contains(it.key()) &&
            !run(query,
                 QStringLiteral("delete from kiv_history_bucket where low=? and high=? and "
                                "msgtime=? and id=?"),
                 owners + QVariantList{QString::fromUtf8(it.key().first), it.key().second},
                 &m_lastError)) {
            return false;
        }
    }
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const auto was = conversation->saved.constFind(it.key());
        if ((was == conversation->saved.cend() || was.value() != it.value()) &&
            !run(query,
                 QStringLiteral("insert or replace into kiv_history_bucket values(?,?,?,?,?)"),
                 owners +
                     QVariantList{QString::fromUtf8(it.key().first), it.key().second, it.value()},
                 &m_lastError)) {
            return false;
        }
    }
    if (!run(query,
             QStringLiteral("insert or replace into kiv_history_conversation values(?,?,?,?)"),
             owners + QVariantList{conversation->total, conversation->covered}, &m_lastError)) {
        return false;
    }
    conversation->saved = now;
    conversation->inFile = true;
    conversation->savedTotal = conversation->total;
    conversation->savedCovered = conversation->covered;
    return true;
}

bool CKivChatHistoryIndex::save(const QSqlDatabase& database) {
    for (auto it = m_unsaved.begin(); it != m_unsaved.end();) {
        const auto found = m_conversations.find(it.key());
        if (found != m_conversations.end() &&
            !saveConversation(database, it.key(), &found.value())) {
            return false;
        }
        it = m_unsaved.erase(it);
    }
    return true;
}

bool CKivChatHistoryIndex::split(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                                 Conversation* conversation, int bucket) {
    const Bucket whole = conversation->buckets.at(bucket);
    QVector<Bucket> parts;
    int found = 0;
    const bool scanned = scan(database, uidA, uidB, &whole.first, whole.count, true,
                              [&](const CKivChatRecordRow&, const Key& rowKey) {
                                  if (found % BucketSize == 0) {
                                      parts.append(Bucket{rowKey, 0});
                                  }
                                  ++parts.last().count;
                                  ++found;
                              });
    if (!scanned || found != whole.count) {
        m_lastError = QStringLiteral("history index out of step with the file");
        return false;
    }
    conversation->buckets.remove(bucket);
    for (int i = 0; i < parts.size(); ++i) {
        conversation->buckets.insert(bucket + i, parts.at(i));
    }
    m_unsaved.insert(pairKey(uidA, uidB), true);
    return true;
}

bool CKivChatHistoryIndex::count(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                                 int* total) {
    const Conversation* found = conversation(database, uidA, uidB);
    if (!found) {
        return false;
    }
    *total = found->total;
    return true;
}

bool CKivChatHistoryIndex::page(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                                int offset, int size, QVector<CKivChatRecordRow>* rows) {
    rows->clear();
    // A second pass only after the kept counts were found out of step with
    // the file and the conversation was read afresh.
    for (int pass = 0; pass < 2; ++pass) {
        Conversation* current = conversation(database, uidA, uidB);
        if (!current) {
            return false;
        }
        if (offset < 0 || size <= 0 || offset >= current->total) {
            return true;
        }
        int bucket = 0;
        int skipped = 0;
        while (skipped + current->buckets.at(bucket).count <= offset) {
            skipped += current->buckets.at(bucket++).count;
        }
        if (current->buckets.at(bucket).count > 2 * BucketSize) {
            if (!split(database, uidA, uidB, current, bucket)) {
                forget(uidA, uidB);
                continue;
            }
            while (skipped + current->buckets.at(bucket).count <= offset) {
                skipped += current->buckets.at(bucket++).count;
            }
        }
        int toSkip = offset - skipped;
        return scan(database, uidA, uidB, &current->buckets.at(bucket).first, toSkip + size, false,
                    [&](const CKivChatRecordRow& row, const Key&) {
                        if (toSkip > 0) {
                            --toSkip;
                        } else {
                            rows->append(row);
                        }
                    });
    }
    return false;
}
