#include "KivUploadQueries.h"

#include <QDateTime>
#include <QSqlQuery>

#include "KivLocalQuery.h"

qint64 KivUploadQueries::Add(quint32 sender, quint32 receiver, const QString& path,
                             const QString& name, quint64 size) {
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("insert into chat_upload_table(senderuid,recveruid,path,name,size,"
                           "created) values(?,?,?,?,?,?)"),
            {sender, receiver, path, name, qint64(size),
             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))},
            query))
        return 0;
    return query.lastInsertId().toLongLong();
}

QVector<KivUploadQueries::Upload> KivUploadQueries::Waiting(quint32 sender) {
    QVector<Upload> uploads;
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select id,senderuid,recveruid,path,name,size,session,sent "
                           "from chat_upload_table where senderuid=? order by id"),
            {sender}, query))
        return uploads;
    while (query.next()) {
        Upload upload;
        upload.id = query.value(0).toLongLong();
        upload.sender = query.value(1).toUInt();
        upload.receiver = query.value(2).toUInt();
        upload.path = query.value(3).toString();
        upload.name = query.value(4).toString();
        upload.size = query.value(5).toULongLong();
        upload.session = query.value(6).toUInt();
        upload.sent = query.value(7).toULongLong();
        uploads.append(upload);
    }
    return uploads;
}

bool KivUploadQueries::SetSession(qint64 id, quint32 session) {
    QSqlQuery query;
    return KivRunLocalQuery(
        QStringLiteral("update chat_upload_table set session=?,sent=0 where id=?"), {session, id},
        query);
}

bool KivUploadQueries::SetSent(qint64 id, quint64 sent) {
    QSqlQuery query;
    return KivRunLocalQuery(QStringLiteral("update chat_upload_table set sent=? where id=?"),
                            {qint64(sent), id}, query);
}

bool KivUploadQueries::Remove(qint64 id) {
    QSqlQuery query;
    return KivRunLocalQuery(QStringLiteral("delete from chat_upload_table where id=?"), {id},
                            query);
}
