#include "CKivFriendSqlUtilCommon.h"

#include <memory>

#include "CKivSqlThreadConnection.h"

namespace {

std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<CKivFriendSqlUtilCommon>& instance() {
    static std::unique_ptr<CKivFriendSqlUtilCommon> util;
    return util;
}

}  // namespace

CKivFriendSqlUtilCommon* CKivFriendSqlUtilCommon::CreateSqlUtil(const QString& databaseFile) {
    CKivFriendSqlUtilCommon* util = nullptr;
    {
        std::lock_guard<std::mutex> lock(instanceMutex());
        if (!instance()) {
            instance().reset(new CKivFriendSqlUtilCommon());
        }
        util = instance().get();
    }
    {
        std::lock_guard<std::mutex> lock(util->m_mutex);
        util->m_file = databaseFile;
    }
    util->database();
    return util;
}

void CKivFriendSqlUtilCommon::ReleaseSqlUtil() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    if (instance()) {
        CKivSqlThreadConnection::current().release();
        instance().reset();
    }
}

QString CKivFriendSqlUtilCommon::databaseFile() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_file;
}

QSqlDatabase CKivFriendSqlUtilCommon::database() {
    return CKivSqlThreadConnection::current().open(databaseFile());
}

QSqlQuery* CKivFriendSqlUtilCommon::keptQuery(const QString& sql) {
    CKivSqlThreadConnection& connection = CKivSqlThreadConnection::current();
    connection.open(databaseFile());
    return connection.kept(sql);
}

void CKivFriendSqlUtilCommon::adopt(QSqlQuery& query) {
    const QSqlDatabase connection = database();
    if (query.driver() != connection.driver()) {
        const bool forwardOnly = query.isForwardOnly();
        query = QSqlQuery(connection);
        query.setForwardOnly(forwardOnly);
    }
}

bool CKivFriendSqlUtilCommon::sqlUtilExecute(const QString& sql, QSqlQuery& query) {
    adopt(query);
    return query.exec(sql);
}

bool CKivFriendSqlUtilCommon::sqlUtilExecute(const QString& sql, QSqlQuery& query,
                                             const QVariantList& values) {
    adopt(query);
    if (!query.prepare(sql)) {
        return false;
    }
    for (int i = 0; i < values.size(); ++i) {
        query.bindValue(i, values.at(i));
    }
    return query.exec();
}
