#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QSqlDatabase>
#include <QStringList>
#include <QVector>
#include <functional>
#include <utility>

#include "CKivChatRecordRow.h"

// Finds any page of a conversation, ordered newest first by (msgtime, id),
// without skipping rows one by one. For each conversation asked about it keeps
// the keys of every BucketSize-th row and the row count between them; a page
// is then one short range scan per direction from the nearest kept key.
//
// The kept keys are saved with the database, in tables of our own, together
// with the highest message id they account for. A later run loads them and
// catches up with the rows stored since (ids only grow), so only the very
// first use of a conversation scans it whole. Within a run the index is told
// of every row added or removed through the model. Not locked: the owner
// serialises calls, and calls save() only while it holds the write lock.
class CKivChatHistoryIndex {
public:
    static constexpr int BucketSize = 256;

    // The tables that keep the index with the database.
    static QStringList schema();
    // Drops what is kept of a conversation (in the caller's transaction), for
    // when rows left it or moved in time.
    static bool dropSaved(const QSqlDatabase& database, quint32 uidA, quint32 uidB);

    void clear();
    void forget(quint32 uidA, quint32 uidB);
    // A row was stored from sender to receiver with this time text and id.
    void added(quint32 sender, quint32 receiver, const QString& msgTime, qint64 id);

    // Each returns false when a statement failed.
    bool count(const QSqlDatabase& database, quint32 uidA, quint32 uidB, int* total);
    bool page(const QSqlDatabase& database, quint32 uidA, quint32 uidB, int offset, int size,
              QVector<CKivChatRecordRow>* rows);
    // True when some conversation differs from what the file keeps of it.
    bool unsaved() const { return !m_unsaved.isEmpty(); }
    // Writes what changed since the last save; the caller holds a transaction.
    bool save(const QSqlDatabase& database);
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
    using SavedKey = std::pair<QByteArray, qint64>;
    struct Conversation {
        QVector<Bucket> buckets;
        int total = 0;
        // Every row of the conversation with an id up to this is counted.
        qint64 covered = 0;
        // The buckets as the file keeps them (first key -> count), and its
        // count and coverage.
        QMap<SavedKey, int> saved;
        int savedTotal = -1;
        qint64 savedCovered = -1;
        // The file may keep buckets not in `saved`: clear them all first.
        bool purge = false;
        // The file keeps this conversation (it was loaded or saved); when that
        // is gone, a writer deleted or moved rows of it.
        bool inFile = false;
    };
    static quint64 pairKey(quint32 uidA, quint32 uidB);
    // True when a comes before b, newest first.
    static bool before(const Key& a, const Key& b);
    Conversation* conversation(const QSqlDatabase& database, quint32 uidA, quint32 uidB);
    void add(Conversation* conversation, const Key& key);
    bool build(const QSqlDatabase& database, quint32 uidA, quint32 uidB, Conversation* built);
    // Loads the kept keys and counts the rows stored since; false when
    // nothing is kept or a statement failed.
    bool load(const QSqlDatabase& database, quint32 uidA, quint32 uidB, Conversation* loaded);
    bool saveConversation(const QSqlDatabase& database, quint64 pair, Conversation* conversation);
    using Visitor = std::function<void(const CKivChatRecordRow&, const Key&)>;
    // Visits the rows from `from` on (all when null), newest first, at most
    // limit of them (all when negative); keysOnly leaves the texts empty.
    bool scan(const QSqlDatabase& database, quint32 uidA, quint32 uidB, const Key* from, int limit,
              bool keysOnly, const Visitor& visit);
    // Cuts an overfull bucket into buckets of BucketSize rows; false when the
    // rows found no longer match the count kept.
    bool split(const QSqlDatabase& database, quint32 uidA, quint32 uidB, Conversation* conversation,
               int bucket);
    bool stillKept(const QSqlDatabase& database, quint32 uidA, quint32 uidB);

    QHash<quint64, Conversation> m_conversations;
    QHash<quint64, bool> m_unsaved;
    QString m_lastError;
};
