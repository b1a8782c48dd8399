#include "KivDevSql.h"

#include <QSqlError>
#include <QVariant>
#include <QtDebug>

bool KivDevPrepare(QSqlQuery& query, const QString& sql) {
    if (!query.prepare(sql)) {
        qWarning().noquote() << "kivDevServer: cannot prepare" << sql << "-"
                             << query.lastError().text();
        return false;
    }
    return true;
}

bool KivDevRun(QSqlQuery& query) {
    if (!query.exec()) {
        qWarning().noquote() << "kivDevServer: query failed" << query.lastQuery() << "-"
                             << query.lastError().text();
        return false;
    }
    return true;
}

bool KivDevExec(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    if (!KivDevPrepare(query, sql)) {
        return false;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    return KivDevRun(query);
}
