#include "KivChatQueries.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivLog.h"

namespace {

// Runs a statement on the current account's database; false (and nothing run)
// when no account is logged in yet.
bool Run(const QString& sql, const QVariantList& values, QSqlQuery& query) {
    const QString file = CKivFriendDBModel::GetInstance()->GetDatabaseFile();
    if (file.isEmpty())
        return false;
    CKivFriendSqlUtilCommon* util = CKivFriendSqlUtilCommon::CreateSqlUtil(file);
    query = QSqlQuery(util->database());
    if (!util->sqlUtilExecute(sql, query, values)) {
        qCWarning(lcKivView) << "执行失败" << query.lastError().text();
        return false;
    }
    return true;
}

}  // namespace

QVector<KivChatQueries::Message> KivChatQueries::UnreadMessages(quint32 friendUid, quint32 ownUid,
                                                                int afterId) {
    QVector<Message> messages;
    QSqlQuery query;
    if (!Run(QStringLiteral("select id,message,msgtime from chat_message_table where "
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
    if (!Run(QStringLiteral("select count(*) from chat_message_table where senderuid=? AND "
                            "recveruid=? AND type<>8 AND isgot=0"),
             {friendUid, ownUid}, query) ||
        !query.next()) {
        return 0;
    }
    return query.value(0).toInt();
}

bool KivChatQueries::MarkRead(quint32 friendUid, quint32 ownUid) {
    QSqlQuery query;
    return Run(QStringLiteral("update chat_message_table set isgot = 1 where senderuid=? AND "
                              "recveruid=? AND type<>8 AND isgot=0"),
               {friendUid, ownUid}, query);
}

KivChatQueries::Message KivChatQueries::LastMessage(quint32 friendUid, quint32 ownUid) {
    QSqlQuery query;
    const QString newest = QStringLiteral(
        "SELECT * FROM (SELECT id,message,msgtime FROM chat_message_table WHERE senderuid=? AND "
        "recveruid=? AND type<>8 ORDER BY msgtime DESC, id DESC LIMIT 1)");
    if (!Run(QStringLiteral("SELECT id,message,msgtime FROM (%1 UNION ALL %1) "
                            "ORDER BY msgtime DESC, id DESC LIMIT 1")
                 .arg(newest),
             {friendUid, ownUid, ownUid, friendUid}, query) ||
        !query.next()) {
        return {};
    }
    return {query.value(0).toInt(), query.value(1).toString(), query.value(2).toString()};
}

KivChatQueries::Profile KivChatQueries::ReadProfile(quint32 uid) {
    QSqlQuery query;
    Profile profile;
    if (!Run(QStringLiteral("select headAdd,account,nickName,sign from chat_userinfor_table "
                            "where uid=?"),
             {uid}, query) ||
        !query.next()) {
        return profile;
    }
    profile.found = true;
    profile.head = query.value(0).toInt();
    profile.account = query.value(1).toString();
    profile.nickName = query.value(2).toString();
    profile.sign = query.value(3).toString();
    return profile;
}

int KivChatQueries::WaitingRequests(quint32 ownUid) {
    QSqlQuery query;
    if (!Run(QStringLiteral("select count(*) from chat_message_table where recveruid=? AND "
                            "type=8 AND isgot=0"),
             {ownUid}, query) ||
        !query.next()) {
        return 0;
    }
    return query.value(0).toInt();
}
