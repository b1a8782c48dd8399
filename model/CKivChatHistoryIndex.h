#pragma once

#include <QByteArray>
#include <QHash>
#include <QSqlDatabase>
#include <QVector>
#include <functional>

#include "CKivChatRecordRow.h"

// Finds any page of a conversation, ordered newest first by (msgtime, id),
// without skipping rows one by one. For each conversation asked about it keeps
// the keys of every BucketSize-th row and the row count between them; a page
// is then one short range scan per direction from the nearest kept key.
// The index is built by one scan of the conversation on first use and is told
// of every row added or removed later. Not locked: the owner serialises calls.
class CKivChatHistoryIndex {
public:
    static constexpr int BucketSize = 64;

    void clear();
    void forget(quint32 uidA, quint32 uidB);
    // A row was stored from sender to receiver with this time text and id.
    void added(quint32 sender, quint32 receiver, const QString& msgTime, qint64 id);

    // Each returns false when a statement failed.
    bool count(const QSqlDatabase& database, quint32 uidA, quint32 uidB, int* total);
    bool page(const QSqlDatabase& database, quint32 uidA, quint32 uidB, int offset, int size,
              QVector<CKivChatRecordRow>* rows);
    // The error text of the last statement that failed.
    QString lastError() const { return m_lastError; }

private:
    struct Key {
        QByteArray time;  // UTF-8, compared bytewise as SQLite does
        qint64 id = 0;
    };
    struct Bucket {
        Key first;  // the bucket's newest row
        int count = 0;
    };
    struct Conversation {
        QVector<Bucket> buckets;
        int total = 0;
    };
    static quint64 pairKey(quint32 uidA, quint32 uidB);
    // True when a comes before b, newest first.
    static bool before(const Key& a, const Key& b);
    Conversation* conversation(const QSqlDatabase& database, quint32 uidA, quint32 uidB);
    using Visitor = std::function<void(const CKivChatRecordRow&, const Key&)>;
    // Visits the rows from `from` on (all when null), newest first, at most
    // limit of them (all when negative); keysOnly leaves the texts empty.
    bool scan(const QSqlDatabase& database, quint32 uidA, quint32 uidB, const Key* from, int limit,
              bool keysOnly, const Visitor& visit);
    // Cuts an overfull bucket into buckets of BucketSize rows; false when the
    // rows found no longer match the count kept.
    bool split(const QSqlDatabase& database, quint32 uidA, quint32 uidB, Conversation* conversation,
               int bucket);

    QHash<quint64, Conversation> m_conversations;
    QString m_lastError;
};
