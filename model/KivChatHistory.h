#pragma once

#include <QString>
#include <QVector>

#include "CKivChatRecordRow.h"
#include "CKivChatSearchIndex.h"

// The chat history's search as the windows use it, on the calling thread's
// own connection to the logged-in account's database: the windows never see
// a database handle or a statement.
class KivChatHistory {
public:
    using Scope = CKivChatSearchIndex::Scope;
    using Coverage = CKivChatSearchIndex::Coverage;

    // How far the search index reaches; false without an index.
    static bool IndexCoverage(Coverage* coverage);
    static qint64 NewestId();
    static bool Candidates(const QString& query, Scope scope, qint64 before, int limit,
                           QVector<CKivChatRecordRow>* rows);
    static bool Scan(const QString& query, Scope scope, qint64 before, qint64 floor, int limit,
                     QVector<CKivChatRecordRow>* rows);
    // Where a message stands in its conversation read newest first.
    static bool Rank(quint32 uidA, quint32 uidB, const QString& msgTime, qint64 id, int* rank);
};
