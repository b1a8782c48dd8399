#include "KivChatQueries.h"

#include <QSqlQuery>
#include <algorithm>

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

qint64 KivChatQueries::NewestId() {
    QSqlQuery query;
    if (!KivRunLocalQuery(QStringLiteral("select max(id) from chat_message_table"), {}, query) ||
        !query.next()) {
        return 0;
    }
    return query.value(0).toLongLong();
}

namespace {

QVector<KivChatQueries::Received> ReadReceived(QSqlQuery& query, quint32 ownUid, qint64* newestId) {
    QVector<KivChatQueries::Received> received;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (newestId)
            *newestId = std::max(*newestId, id);
        const quint32 sender = query.value(1).toUInt();
        if (query.value(2).toUInt() != ownUid || sender == ownUid || query.value(3).toInt() == 8)
            continue;
        received.append({id, sender, query.value(4).toString(), query.value(5).toString()});
    }
    return received;
}

}  // namespace

QVector<KivChatQueries::Received> KivChatQueries::ReceivedSince(quint32 ownUid, qint64 afterId,
                                                                qint64* newestId) {
    *newestId = afterId;
    QSqlQuery query;
    // NOT INDEXED keeps the planner on the row ids: the unread index would
    // visit every unread row instead of the few new ones.
    if (!KivRunLocalQuery(QStringLiteral("select id,senderuid,recveruid,type,message,msgtime from "
                                         "chat_message_table NOT INDEXED where id>? order by id"),
                          {afterId}, query)) {
        return {};
    }
    return ReadReceived(query, ownUid, newestId);
}

QVector<KivChatQueries::Received> KivChatQueries::UnreadUpTo(quint32 ownUid, qint64 upToId) {
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select id,senderuid,recveruid,type,message,msgtime from "
                           "chat_message_table where isgot=0 and recveruid=? and type<>8 and "
                           "id<=? order by id"),
            {ownUid, upToId}, query)) {
        return {};
    }
    return ReadReceived(query, ownUid, nullptr);
}

KivChatQueries::Message KivChatQueries::LastUnread(quint32 friendUid, quint32 ownUid) {
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select id,message,msgtime from chat_message_table where isgot=0 AND "
                           "recveruid=? AND senderuid=? AND type<>8 ORDER BY msgtime DESC, id "
                           "DESC LIMIT 1"),
            {ownUid, friendUid}, query) ||
        !query.next()) {
        return {};
    }
    return {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString()};
}

bool KivChatQueries::MarkReadUpTo(quint32 friendUid, quint32 ownUid, qint64 upToId) {
    QSqlQuery query;
    return KivRunLocalQuery(
        QStringLiteral("update chat_message_table set isgot = 1 where isgot=0 AND recveruid=? AND "
                       "senderuid=? AND type<>8 AND id<=?"),
        {ownUid, friendUid, upToId}, query);
}
