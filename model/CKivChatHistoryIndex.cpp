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

void CKivChatHistoryIndex::clear() {
    m_conversations.clear();
}

void CKivChatHistoryIndex::forget(quint32 uidA, quint32 uidB) {
    m_conversations.remove(pairKey(uidA, uidB));
}

void CKivChatHistoryIndex::added(quint32 sender, quint32 receiver, const QString& msgTime,
                                 qint64 id) {
    const auto found = m_conversations.find(pairKey(sender, receiver));
    if (found == m_conversations.end()) {
        return;
    }
    Conversation& conversation = found.value();
    const Key key{msgTime.toUtf8(), id};
    ++conversation.total;
    QVector<Bucket>& buckets = conversation.buckets;
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

CKivChatHistoryIndex::Conversation* CKivChatHistoryIndex::conversation(const QSqlDatabase& database,
                                                                       quint32 uidA, quint32 uidB) {
    const quint64 key = pairKey(uidA, uidB);
    const auto found = m_conversations.find(key);
    if (found != m_conversations.end()) {
        return &found.value();
    }
    Conversation built;
    const bool scanned = scan(database, uidA, uidB, nullptr, -1, true,
                              [&built](const CKivChatRecordRow&, const Key& rowKey) {
                                  if (built.total % BucketSize == 0) {
                                      built.buckets.append(Bucket{rowKey, 0});
                                  }
                                  ++built.buckets.last().count;
                                  ++built.total;
                              });
    return scanned ? &m_conversations.insert(key, built).value() : nullptr;
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
