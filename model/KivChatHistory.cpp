#include "KivChatHistory.h"

#include <QSqlDatabase>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"

namespace {

QSqlDatabase Database() {
    return CKivFriendDBModel::GetInstance()->ConnectDB()->database();
}

}  // namespace

bool KivChatHistory::IndexCoverage(Coverage* coverage) {
    const QSqlDatabase database = Database();
    return CKivChatSearchIndex::available(database) &&
           CKivChatSearchIndex::coverage(database, coverage);
}

qint64 KivChatHistory::NewestId() {
    return CKivChatSearchIndex::newestId(Database());
}

bool KivChatHistory::Candidates(const QString& query, Scope scope, qint64 before, int limit,
                                QVector<CKivChatRecordRow>* rows) {
    return CKivChatSearchIndex::candidates(Database(), query, scope, before, limit, rows);
}

bool KivChatHistory::Scan(const QString& query, Scope scope, qint64 before, qint64 floor, int limit,
                          QVector<CKivChatRecordRow>* rows) {
    return CKivChatSearchIndex::scan(Database(), query, scope, before, floor, limit, rows);
}

bool KivChatHistory::Rank(quint32 uidA, quint32 uidB, const QString& msgTime, qint64 id,
                          int* rank) {
    return CKivChatSearchIndex::rank(Database(), uidA, uidB, msgTime, id, rank);
}
