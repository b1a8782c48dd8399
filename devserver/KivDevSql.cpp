#include "KivDevSql.h"

#include <QSqlError>
#include <QVariant>
#include <QtDebug>

bool KivDevExec(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    if (!query.prepare(sql)) {
        qWarning().noquote() << "kivDevServer: cannot prepare" << sql << "-"
                             << query.lastError().text();
        return false;
    }
    for (const QVariant& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        qWarning().noquote() << "kivDevServer: query failed" << sql << "-"
                             << query.lastError().text();
        return false;
    }
    return true;
}
