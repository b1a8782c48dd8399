#include "KivChatQueries.h"

#include <QSqlQuery>

#include "KivLocalQuery.h"

QVector<KivChatQueries::Message> KivChatQueries::UnreadMessages(quint32 friendUid, quint32 ownUid,
                                                                int afterId) {
    QVector<Message> messages;
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select id,message,msgtime from chat_message_table where "
                           "senderuid=? AND recveruid=? AND type<>8 AND isgot=0 AND id>? "
                           "ORDER BY msgtime,id"),
            {friendUid, ownUid, afterId}, query)) {
        return messages;
    }
    while (query.next()) {
        messages.append(
            {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString()});
    }
    return messages;
}

int KivChatQueries::UnreadCount(quint32 friendUid, quint32 ownUid) {
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select count(*) from chat_message_table where senderuid=? AND "
                           "recveruid=? AND type<>8 AND isgot=0"),
            {friendUid, ownUid}, query) ||
        !query.next()) {
        return 0;
    }
    return query.value(0).toInt();
}

bool KivChatQueries::MarkRead(quint32 friendUid, quint32 ownUid) {
    QSqlQuery query;
    return KivRunLocalQuery(
        QStringLiteral("update chat_message_table set isgot = 1 where senderuid=? AND "
                       "recveruid=? AND type<>8 AND isgot=0"),
        {friendUid, ownUid}, query);
}

KivChatQueries::Message KivChatQueries::LastMessage(quint32 friendUid, quint32 ownUid) {
    QSqlQuery query;
    const QString newest = QStringLiteral(
        "SELECT * FROM (SELECT id,message,msgtime FROM chat_message_table WHERE senderuid=? AND "
        "recveruid=? AND type<>8 ORDER BY msgtime DESC, id DESC LIMIT 1)");
    if (!KivRunLocalQuery(QStringLiteral("SELECT id,message,msgtime FROM (%1 UNION ALL %1) "
                                         "ORDER BY msgtime DESC, id DESC LIMIT 1")
                              .arg(newest),
                          {friendUid, ownUid, ownUid, friendUid}, query) ||
        !query.next()) {
        return {};
    }
    return {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString()};
}

int KivChatQueries::WaitingRequests(quint32 ownUid) {
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select count(*) from chat_message_table where recveruid=? AND "
                           "type=8 AND isgot=0"),
            {ownUid}, query) ||
        !query.next()) {
        return 0;
    }
    return query.value(0).toInt();
}
