#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include "CKivChatRecordRow.h"
#include "CKivChatSearchIndex.h"

// The chat history's search as the windows use it, on the calling thread's
// own connection to the logged-in account's database, opened once per
// object: make one for a search run, not one per step.
class KivChatHistory {
public:
    using Scope = CKivChatSearchIndex::Scope;
    using Coverage = CKivChatSearchIndex::Coverage;

    KivChatHistory();

    // How far the search index reaches; false without an index.
    bool IndexCoverage(Coverage* coverage) const;
    qint64 NewestId() const;
    bool Candidates(const QString& query, Scope scope, qint64 before, int limit,
                    QVector<CKivChatRecordRow>* rows) const;
    bool Scan(const QString& query, Scope scope, qint64 before, qint64 floor, int limit,
              QVector<CKivChatRecordRow>* rows) const;
    // Where a message stands in its conversation read newest first.
    bool Rank(quint32 uidA, quint32 uidB, const QString& msgTime, qint64 id, int* rank) const;

private:
    QSqlDatabase m_database;
};
