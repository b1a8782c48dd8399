#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>

#include "CKivChatRecordRow.h"

// Finds chat messages by any part of their text. A full-text table of our own
// ("kiv_chat_search", trigram tokens, no positions) holds a copy of every chat
// message's text under the message's id; the stored tables are not touched.
//
// The rows stored before the table existed are indexed in the background,
// newest first, a step at a time: rows with an id from `low` on are indexed
// (those stored later by the model as they are stored), the older ones are
// scanned directly until the fill reaches them. Rows removed by any writer
// leave their copy behind; every result is joined with the message table,
// which drops those. Queries of fewer than three characters, which trigrams
// cannot answer, are always direct scans.
//
// Not locked; every call runs on the connection it is given, and failed
// statements are logged.
class CKivChatSearchIndex {
public:
    static constexpr int MinIndexedLength = 3;

    // Makes the table and its fill state where missing. False when this
    // SQLite cannot (no FTS5 or no trigram tokenizer): searches then scan.
    static bool prepare(const QSqlDatabase& database);
    static bool available(const QSqlDatabase& database);

    // A chat message was stored (in the writer's transaction); `insert` is
    // insertStatement(), prepared once by the caller. The indexed range
    // takes the row in when the fill next looks (a scan covers it till then).
    static QString insertStatement();
    static bool added(QSqlQuery& insert, qint64 id, const QString& message);
    // The conversation's copies go (before its rows are deleted).
    static bool forget(const QSqlDatabase& database, quint32 uidA, quint32 uidB);

    // Rows with an id from `low` to `high` are indexed; `top` is the largest id.
    struct Coverage {
        qint64 low = 1;
        qint64 high = 0;
        qint64 top = 0;
        bool complete() const { return low <= 1; }
    };
    static bool coverage(const QSqlDatabase& database, Coverage* coverage);
    // The largest message id (0 when none or on failure).
    static qint64 newestId(const QSqlDatabase& database);
    // One step of the background work, in the caller's transaction: first the
    // rows above `high` that no model stored (another program wrote them),
    // and up to `rows` rows below `low`. False when a statement failed;
    // *done tells whether nothing is left to index.
    static bool fillStep(const QSqlDatabase& database, int rows, bool* done);

    // The conversation of two users, or every conversation when uidA is 0.
    struct Scope {
        quint32 uidA = 0;
        quint32 uidB = 0;
    };
    // Messages whose text may hold `query` (three characters or more), by
    // id below `before`, newest first; indexed rows only (id >= low).
    static bool candidates(const QSqlDatabase& database, const QString& query, Scope scope,
                           qint64 before, int limit, QVector<CKivChatRecordRow>* rows);
    // Messages with an id in [floor, before) whose text holds `query`, Latin
    // letters in any case, newest first.
    static bool scan(const QSqlDatabase& database, const QString& query, Scope scope, qint64 before,
                     qint64 floor, int limit, QVector<CKivChatRecordRow>* rows);
    // How many messages of the conversation come before the given one when
    // it is read newest first by (msgtime, id), as the history pages are.
    static bool rank(const QSqlDatabase& database, quint32 uidA, quint32 uidB,
                     const QString& msgTime, qint64 id, int* rank);

    // The text as the scans compare it: Latin capitals lowered.
    static QString folded(const QString& text);
};
