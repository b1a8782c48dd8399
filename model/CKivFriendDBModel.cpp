#include "CKivFriendDBModel.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <cstddef>
#include <cstring>
#include <memory>

#include "CKivChatDatabaseSchema.h"
#include "CKivFriendSqlUtilCommon.h"

namespace {

const char* const TemplateFile = "DB/CHAT_MESSAGE.db";

std::mutex& instanceMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<CKivFriendDBModel>& instance() {
    static std::unique_ptr<CKivFriendDBModel> model;
    return model;
}

// Reads a field of a record by its offset: records arrive unaligned.
template <class T>
T fieldAt(const char* record, std::size_t offset) {
    T value;
    std::memcpy(&value, record + offset, sizeof(value));
    return value;
}

// A text field as stored: never NULL in the database, even when empty.
QString textAt(const char* record, std::size_t offset, int size) {
    const QString text = QString::fromUtf8(KivReadText(record + offset, size));
    return text.isNull() ? QStringLiteral("") : text;
}

QString currentTimeText() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

// The account names a folder below "User/": nothing that climbs out of it.
bool isPlainFolderName(const QString& account) {
    if (account.isEmpty() || account.size() > 128 || account == QLatin1String(".") ||
        account == QLatin1String("..")) {
        return false;
    }
    for (const QChar c : account) {
        if (c == '/' || c == '\\' || c.unicode() < 0x20) {
            return false;
        }
    }
    return true;
}

// The ten values of a profile row from an AddFriendPush-layout record.
QVariantList pushProfile(const char* record) {
    using R = AddFriendPushRecord;
    return {fieldAt<quint32>(record, offsetof(R, fromUid)),
            textAt(record, offsetof(R, account), sizeof(R::account)),
            textAt(record, offsetof(R, nickName), sizeof(R::nickName)),
            textAt(record, offsetof(R, sign), sizeof(R::sign)),
            fieldAt<qint32>(record, offsetof(R, sex)),
            textAt(record, offsetof(R, birthday), sizeof(R::birthday)),
            textAt(record, offsetof(R, area), sizeof(R::area)),
            textAt(record, offsetof(R, phone), sizeof(R::phone)),
            0,
            QString::number(fieldAt<quint32>(record, offsetof(R, headIndex)))};
}

}  // namespace

CKivFriendDBModel* CKivFriendDBModel::GetInstance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    if (!instance()) {
        instance().reset(new CKivFriendDBModel());
    }
    return instance().get();
}

void CKivFriendDBModel::ReleaseInstance() {
    std::lock_guard<std::mutex> lock(instanceMutex());
    instance().reset();
}

QString CKivFriendDBModel::GetAccount() const {
    std::lock_guard<std::mutex> lock(m_accountMutex);
    return m_account;
}

QString CKivFriendDBModel::GetDatabaseFile() const {
    std::lock_guard<std::mutex> lock(m_accountMutex);
    return m_databaseFile;
}

bool CKivFriendDBModel::CreateDB(const QString& account) {
    if (!isPlainFolderName(account)) {
        qDebug().noquote() << Q_FUNC_INFO << "refused account name" << account;
        std::lock_guard<std::mutex> lock(m_accountMutex);
        m_account.clear();
        m_databaseFile.clear();
        return false;
    }
    const QDir current = QDir::current();
    const QString userFolder = QStringLiteral("User/%1").arg(account);
    const QString dbFolder = userFolder + QStringLiteral("/DB");
    const QString dbFile = current.absoluteFilePath(dbFolder + QStringLiteral("/CHAT_MESSAGE.db"));
    {
        std::lock_guard<std::mutex> lock(m_accountMutex);
        m_account = account;
        m_databaseFile = dbFile;
    }
    current.mkpath(userFolder + QStringLiteral("/FileRecv"));
    const QString templateFile = current.absoluteFilePath(QLatin1String(TemplateFile));
    // QFile::copy never overwrites: an existing database stays as it is.
    if (!current.exists(dbFolder)) {
        if (current.mkpath(dbFolder) && QFile::copy(templateFile, dbFile)) {
            qDebug("copy db");
        }
    } else if (!QFile::exists(dbFile)) {
        QFile::copy(templateFile, dbFile);
    }
    return current.exists(dbFolder);
}

CKivFriendSqlUtilCommon* CKivFriendDBModel::sqlUtil() {
    return CKivFriendSqlUtilCommon::CreateSqlUtil(GetDatabaseFile());
}

bool CKivFriendDBModel::execute(const char* function, const QString& sql, QSqlQuery& query,
                                const QVariantList& values) {
    CKivFriendSqlUtilCommon* util = sqlUtil();
    const bool ok = values.isEmpty() ? util->sqlUtilExecute(sql, query)
                                     : util->sqlUtilExecute(sql, query, values);
    if (!ok) {
        qDebug().noquote() << function << query.lastError().text();
    }
    return ok;
}

CKivFriendSqlUtilCommon* CKivFriendDBModel::ConnectDB() {
    CKivFriendSqlUtilCommon* util = sqlUtil();
    QSqlQuery query(util->database());
    // Only missing tables are made: the usual case is a copy of the template.
    const QStringList existing = util->database().tables();
    for (const QString& statement : CKivChatDatabaseSchema::tableStatements()) {
        const QString name =
            statement.section(QLatin1Char(' '), 2, 2).section(QLatin1Char('('), 0, 0);
        if (!existing.contains(name)) {
            execute(Q_FUNC_INFO, statement, query);
        }
    }
    for (const QString& statement : CKivChatDatabaseSchema::indexStatements()) {
        execute(Q_FUNC_INFO, statement, query);
    }
    return util;
}

int CKivFriendDBModel::Select_chat_table() {
    QSqlQuery query(sqlUtil()->database());
    if (!execute(Q_FUNC_INFO, QStringLiteral("select max(id) from chat_message_table"), query)) {
        return 0;
    }
    int last = 0;
    while (query.next()) {
        last = query.value(0).toInt();
    }
    m_lastMessageId.store(last);
    return last;
}

bool CKivFriendDBModel::insertChat(const char* function, quint32 sender, quint32 receiver,
                                   const QString& text, const QString& time, int isgot) {
    // The key assigns the id: concurrent inserts can never pick the same one.
    const QString sql = isgot ? QStringLiteral(
                                    "insert into chat_message_table "
                                    "values(NULL,0,:send_id,:rev_id,:htmlText,:TimeText,1)")
                              : QStringLiteral(
                                    "insert into chat_message_table "
                                    "values(NULL,0,:send_id,:rev_id,:htmlText,:TimeText,0)");
    std::lock_guard<std::mutex> lock(m_historyMutex);
    followDatabaseFile();
    QSqlQuery query(sqlUtil()->database());
    if (!execute(function, sql, query, {sender, receiver, text, time})) {
        return false;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    m_lastMessageId.store(static_cast<int>(id));
    m_history.added(sender, receiver, time, id);
    return true;
}

bool CKivFriendDBModel::InsertMessage(const char* record) {
    if (!record) {
        return false;
    }
    using R = ChatMessageRecord;
    return insertChat(Q_FUNC_INFO, fieldAt<quint32>(record, offsetof(R, senderUid)),
                      fieldAt<quint32>(record, offsetof(R, receiverUid)),
                      textAt(record, offsetof(R, text), sizeof(R::text)), currentTimeText(), 1);
}

bool CKivFriendDBModel::InsertMsg(const char* record) {
    if (!record) {
        return false;
    }
    using R = ChatMessageRecord;
    return insertChat(Q_FUNC_INFO, fieldAt<quint32>(record, offsetof(R, senderUid)),
                      fieldAt<quint32>(record, offsetof(R, receiverUid)),
                      textAt(record, offsetof(R, text), sizeof(R::text)), currentTimeText(), 0);
}

bool CKivFriendDBModel::SaveLeaveMessage(tag_leave_message message) {
    const char* item = reinterpret_cast<const char*>(&message);
    return insertChat(Q_FUNC_INFO, message.uid, GetOwnUid(),
                      textAt(item, offsetof(tag_leave_message, text), sizeof(message.text)),
                      textAt(item, offsetof(tag_leave_message, time), sizeof(message.time)), 0);
}

bool CKivFriendDBModel::storeFriendRequest(const char* function, const char* record) {
    using R = AddFriendPushRecord;
    const quint32 from = fieldAt<quint32>(record, offsetof(R, fromUid));
    const quint32 to = fieldAt<quint32>(record, offsetof(R, toUid));
    const QString text = textAt(record, offsetof(R, requestText), sizeof(R::requestText));
    const QString now = currentTimeText();

    std::lock_guard<std::mutex> lock(m_historyMutex);
    followDatabaseFile();
    Select_chat_table();
    QSqlQuery query(sqlUtil()->database());
    if (!execute(function,
                 QStringLiteral("select id from chat_message_table where type=8 and senderuid=? "
                                "and recveruid=?"),
                 query, {from, to})) {
        return false;
    }
    if (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        // The row moves in time order; the conversation is indexed afresh.
        m_history.forget(from, to);
        return execute(function,
                       QStringLiteral("update chat_message_table set msgtime=?,message=?,isgot=0 "
                                      "where id=?"),
                       query, {now, text, id});
    }
    if (!execute(function,
                 QStringLiteral("insert into chat_message_table values(NULL,8,?,?,?,?,0)"), query,
                 {from, to, text, now})) {
        return false;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    m_lastMessageId.store(static_cast<int>(id));
    m_history.added(from, to, now, id);
    return true;
}

bool CKivFriendDBModel::profileExists(const char* function, QSqlQuery& query, quint32 uid,
                                      bool* exists) {
    if (!execute(function, QStringLiteral("select uid from chat_userinfor_table where uid=?"),
                 query, {uid})) {
        return false;
    }
    *exists = query.next();
    return true;
}

bool CKivFriendDBModel::insertProfile(const char* function, QSqlQuery& query,
                                      const QVariantList& values) {
    return execute(function,
                   QStringLiteral("insert into chat_userinfor_table values(?,?,?,?,?,?,?,?,?,?)"),
                   query, values);
}

bool CKivFriendDBModel::SaveAddFriendRequest(const char* request) {
    if (!request || !storeFriendRequest(Q_FUNC_INFO, request)) {
        return false;
    }
    QSqlQuery query(sqlUtil()->database());
    bool exists = false;
    if (!profileExists(Q_FUNC_INFO, query,
                       fieldAt<quint32>(request, offsetof(AddFriendPushRecord, fromUid)),
                       &exists)) {
        return false;
    }
    return exists || insertProfile(Q_FUNC_INFO, query, pushProfile(request));
}

bool CKivFriendDBModel::AddFriend(const char* record) {
    if (!record || !storeFriendRequest(Q_FUNC_INFO, record)) {
        return false;
    }
    QSqlQuery query(sqlUtil()->database());
    bool exists = false;
    const QVariantList profile = pushProfile(record);
    if (!profileExists(Q_FUNC_INFO, query, profile.at(0).toUInt(), &exists)) {
        return false;
    }
    if (!exists) {
        return insertProfile(Q_FUNC_INFO, query, profile);
    }
    return execute(Q_FUNC_INFO,
                   QStringLiteral("UPDATE chat_userinfor_table SET "
                                  "account=?,nickName=?,sign=?,sex=?,birthday=?,area=?,phone=?,"
                                  "headAdd=? WHERE uid=?"),
                   query,
                   {profile.at(1), profile.at(2), profile.at(3), profile.at(4), profile.at(5),
                    profile.at(6), profile.at(7), profile.at(9), profile.at(0)});
}

bool CKivFriendDBModel::UpdateUserInfor(const char* loginResult, bool& isNew) {
    if (!loginResult) {
        return false;
    }
    using R = LoginResult;
    const quint32 uid = fieldAt<quint32>(loginResult, offsetof(R, uid));
    const quint32 vip = fieldAt<quint32>(loginResult, offsetof(R, vipFlag));
    m_vipFlag.store(vip);
    m_giftBalance.store(fieldAt<float>(loginResult, offsetof(R, giftBalance)));
    m_ownUid.store(uid);

    QSqlQuery query(sqlUtil()->database());
    if (!execute(Q_FUNC_INFO,
                 QStringLiteral("select uid,headAdd from chat_userinfor_table where uid=?"), query,
                 {uid})) {
        return false;
    }
    if (query.next() && query.value(0).toULongLong() != 0) {
        return false;
    }
    const QVariantList values = {uid,
                                 textAt(loginResult, offsetof(R, account), sizeof(R::account)),
                                 textAt(loginResult, offsetof(R, nickName), sizeof(R::nickName)),
                                 textAt(loginResult, offsetof(R, sign), sizeof(R::sign)),
                                 fieldAt<qint32>(loginResult, offsetof(R, sex)),
                                 textAt(loginResult, offsetof(R, birthday), sizeof(R::birthday)),
                                 textAt(loginResult, offsetof(R, area), sizeof(R::area)),
                                 textAt(loginResult, offsetof(R, phone), sizeof(R::phone)),
                                 vip,
                                 textAt(loginResult, offsetof(R, headAdd), sizeof(R::headAdd))};
    if (!insertProfile(Q_FUNC_INFO, query, values)) {
        return false;
    }
    isNew = true;
    return true;
}

bool CKivFriendDBModel::UpdateFriendInfor(const char* searchResult, bool& isNew) {
    if (!searchResult) {
        return false;
    }
    const std::size_t base = offsetof(SearchResult, profile);
    using P = UserProfile;
    const quint32 uid = fieldAt<quint32>(searchResult, base + offsetof(P, uid));
    const quint32 head = fieldAt<quint32>(searchResult, base + offsetof(P, head));
    const qint32 sex = fieldAt<qint32>(searchResult, base + offsetof(P, sex));
    const QString account = textAt(searchResult, base + offsetof(P, account), sizeof(P::account));
    const QString nickName =
        textAt(searchResult, base + offsetof(P, nickName), sizeof(P::nickName));
    const QString sign = textAt(searchResult, base + offsetof(P, sign), sizeof(P::sign));
    const QString area = textAt(searchResult, base + offsetof(P, area), sizeof(P::area));
    const QString phone = textAt(searchResult, base + offsetof(P, phone), sizeof(P::phone));
    const QString birthday =
        textAt(searchResult, base + offsetof(P, birthday), sizeof(P::birthday));

    QSqlQuery query(sqlUtil()->database());
    if (!execute(Q_FUNC_INFO,
                 QStringLiteral("select uid,headAdd from chat_userinfor_table where uid=?"), query,
                 {uid})) {
        return false;
    }
    if (query.next()) {
        if (query.value(1).toString().toUInt() != head) {
            isNew = true;
        }
        return execute(
            Q_FUNC_INFO,
            QStringLiteral("UPDATE chat_userinfor_table SET "
                           "sex=?,account=?,nickName=?,sign=?,area=?,phone=?,birthday=?,"
                           "headAdd=? WHERE uid=?"),
            query,
            {sex, account, nickName, sign, area, phone, birthday, QString::number(head), uid});
    }
    if (!insertProfile(
            Q_FUNC_INFO, query,
            {uid, account, nickName, sign, sex, birthday, area, phone, 0, QString::number(head)})) {
        return false;
    }
    isNew = true;
    return true;
}

bool CKivFriendDBModel::DelFriendChatMsg(unsigned long uidA, unsigned long uidB) {
    const QString sql =
        QStringLiteral("delete from chat_message_table where senderuid=? and recveruid=?");
    std::lock_guard<std::mutex> lock(m_historyMutex);
    followDatabaseFile();
    QSqlQuery query(sqlUtil()->database());
    const qulonglong a = uidA;
    const qulonglong b = uidB;
    const bool forward = execute(Q_FUNC_INFO, sql, query, {a, b});
    const bool backward = execute(Q_FUNC_INFO, sql, query, {b, a});
    m_history.forget(static_cast<quint32>(uidA), static_cast<quint32>(uidB));
    return forward && backward;
}

bool CKivFriendDBModel::SaveMyShow(const char* record) {
    if (!record) {
        return false;
    }
    using R = SetMyShowRecord;
    QSqlQuery query(sqlUtil()->database());
    return execute(Q_FUNC_INFO,
                   QStringLiteral("update chat_userinfor_table set sign=? where uid=?"), query,
                   {textAt(record, offsetof(R, sign), sizeof(R::sign)),
                    fieldAt<quint32>(record, offsetof(R, uid))});
}

void CKivFriendDBModel::followDatabaseFile() {
    const QString file = GetDatabaseFile();
    if (file != m_historyFile) {
        m_history.clear();
        m_historyFile = file;
    }
}

QVector<CKivChatRecordRow> CKivFriendDBModel::GetChatRecordPage(quint32 uidA, quint32 uidB,
                                                                int offset, int size) {
    QVector<CKivChatRecordRow> rows;
    std::lock_guard<std::mutex> lock(m_historyMutex);
    followDatabaseFile();
    if (!m_history.page(sqlUtil()->database(), uidA, uidB, offset, size, &rows)) {
        qDebug().noquote() << Q_FUNC_INFO << m_history.lastError();
    }
    return rows;
}

int CKivFriendDBModel::GetChatRecordCount(quint32 uidA, quint32 uidB) {
    int total = 0;
    std::lock_guard<std::mutex> lock(m_historyMutex);
    followDatabaseFile();
    if (!m_history.count(sqlUtil()->database(), uidA, uidB, &total)) {
        qDebug().noquote() << Q_FUNC_INFO << m_history.lastError();
    }
    return total;
}
