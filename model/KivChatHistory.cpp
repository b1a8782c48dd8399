#include "KivChatHistory.h"

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"

KivChatHistory::KivChatHistory()
    : m_database(CKivFriendDBModel::GetInstance()->ConnectDB()->database()) {}

bool KivChatHistory::IndexCoverage(Coverage* coverage) const {
    return CKivChatSearchIndex::available(m_database) &&
           CKivChatSearchIndex::coverage(m_database, coverage);
}

qint64 KivChatHistory::NewestId() const {
    return CKivChatSearchIndex::newestId(m_database);
}

bool KivChatHistory::Candidates(const QString& query, Scope scope, qint64 before, int limit,
                                QVector<CKivChatRecordRow>* rows) const {
    return CKivChatSearchIndex::candidates(m_database, query, scope, before, limit, rows);
}

bool KivChatHistory::Scan(const QString& query, Scope scope, qint64 before, qint64 floor, int limit,
                          QVector<CKivChatRecordRow>* rows) const {
    return CKivChatSearchIndex::scan(m_database, query, scope, before, floor, limit, rows);
}

bool KivChatHistory::Rank(quint32 uidA, quint32 uidB, const QString& msgTime, qint64 id,
                          int* rank) const {
    return CKivChatSearchIndex::rank(m_database, uidA, uidB, msgTime, id, rank);
}
