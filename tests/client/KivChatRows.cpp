#include "KivChatRows.h"

#include <QSqlDatabase>
#include <QSqlQuery>

int KivChatRows::Count(const QString& tree, const QString& account, const QString& where,
                       const QVariantList& values) {
    const QString name = QStringLiteral("e2e-chat-%1").arg(account);
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(tree + QStringLiteral("/User/%1/DB/CHAT_MESSAGE.db").arg(account));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("select count(*) from chat_message_table where ") + where);
            for (const QVariant& value : values)
                query.addBindValue(value);
            if (query.exec() && query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return count;
}
