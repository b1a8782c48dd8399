#include "KivLocalQuery.h"

#include <QSqlError>
#include <QSqlQuery>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivLog.h"

bool KivRunLocalQuery(const QString& sql, const QVariantList& values, QSqlQuery& query) {
    const QString file = CKivFriendDBModel::GetInstance()->GetDatabaseFile();
    if (file.isEmpty())
        return false;
    CKivFriendSqlUtilCommon* util = CKivFriendSqlUtilCommon::CreateSqlUtil(file);
    query = QSqlQuery(util->database());
    if (!util->sqlUtilExecute(sql, query, values)) {
        qCWarning(lcKivModel) << "执行失败" << query.lastError().text();
        return false;
    }
    return true;
}
