#include "KivContactQueries.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>

#include "KivLocalQuery.h"

namespace {

// Requests are stored as messages of this type.
constexpr int kRequestType = 8;

KivContactProfile ReadOne(const QString& where, const QVariantList& values) {
    KivContactProfile profile;
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select uid,sex,headAdd,account,nickName,sign,area,phone,birthday "
                           "from chat_userinfor_table where ") +
                where,
            values, query) ||
        !query.next()) {
        return profile;
    }
    profile.found = true;
    profile.uid = query.value(0).toUInt();
    profile.sex = query.value(1).toInt();
    profile.head = query.value(2).toInt();
    profile.account = query.value(3).toString();
    profile.nickName = query.value(4).toString();
    profile.sign = query.value(5).toString();
    profile.area = query.value(6).toString();
    profile.phone = query.value(7).toString();
    profile.birthday = query.value(8).toString();
    return profile;
}

}  // namespace

KivContactProfile KivContactQueries::ByUid(quint32 uid) {
    return ReadOne(QStringLiteral("uid=?"), {uid});
}

KivContactProfile KivContactQueries::ByAccount(const QString& accountOrPhone) {
    const KivContactProfile byAccount = ReadOne(QStringLiteral("account=?"), {accountOrPhone});
    if (byAccount.found || accountOrPhone.isEmpty())
        return byAccount;
    return ReadOne(QStringLiteral("phone=?"), {accountOrPhone});
}

QVector<KivContactQueries::Request> KivContactQueries::WaitingRequests(quint32 ownUid) {
    QVector<Request> requests;
    QSqlQuery query;
    if (!KivRunLocalQuery(
            QStringLiteral("select senderuid,message,msgtime from chat_message_table where "
                           "type=? AND isgot=0 AND recveruid=? ORDER BY msgtime,id"),
            {kRequestType, ownUid}, query)) {
        return requests;
    }
    // Asking twice makes one card, with the latest text.
    QHash<quint32, int> at;
    while (query.next()) {
        const Request request{query.value(0).toUInt(), query.value(1).toString(),
                              query.value(2).toString()};
        const auto it = at.constFind(request.sender);
        if (it != at.constEnd()) {
            requests[*it] = request;
        } else {
            at.insert(request.sender, requests.size());
            requests.append(request);
        }
    }
    return requests;
}

bool KivContactQueries::AnswerRequests(quint32 sender, quint32 ownUid) {
    QSqlQuery query;
    return KivRunLocalQuery(QStringLiteral("update chat_message_table set isgot=1 where type=? AND "
                                           "senderuid=? AND recveruid=? AND isgot=0"),
                            {kRequestType, sender, ownUid}, query);
}

bool KivContactQueries::SetHead(quint32 uid, int head) {
    QSqlQuery query;
    return KivRunLocalQuery(QStringLiteral("update chat_userinfor_table set headAdd=? where uid=?"),
                            {QString::number(head), uid}, query);
}

bool KivContactQueries::StoreProfile(const KivContactProfile& p) {
    QSqlQuery query;
    return KivRunLocalQuery(
        QStringLiteral("update chat_userinfor_table set sex=?,headAdd=?,nickName=?,sign=?,"
                       "area=?,phone=?,birthday=? where uid=?"),
        {p.sex, QString::number(p.head), p.nickName, p.sign, p.area, p.phone, p.birthday, p.uid},
        query);
}

int KivContactQueries::ClearHistory() {
    QSqlQuery query;
    if (!KivRunLocalQuery(QStringLiteral("delete from chat_message_table where type<>?"),
                          {kRequestType}, query)) {
        return -1;
    }
    return query.numRowsAffected();
}
