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
#include "CKivChatSearchIndex.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivLog.h"

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

// The local time text of the current second. Turning the clock into local
// time looks the time zone up again every time, which costs more than the
// insert it dates, so each thread keeps the text until the second changes.
QString timeTextAt(qint64 shift) {
    thread_local qint64 second = -1;
    thread_local QString text;
    const qint64 now = QDateTime::currentSecsSinceEpoch() + shift;
    if (now != second) {
        second = now;
        text = QDateTime::fromSecsSinceEpoch(now).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    }
    return text;
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

// One write that changes a conversation. Outside a batch it is a transaction
// of its own, taken with the write lock before the history lock; inside the
// calling thread's batch it joins the batch's transaction, and what the
// history index must learn waits for the batch's commit.
class CKivFriendDBModel::WriteScope {
public:
    explicit WriteScope(CKivFriendDBModel& model)
        : m_model(model),
          m_own(!model.InBatch()),
          m_begun(m_own && model.transaction("BEGIN IMMEDIATE")),
          m_lock(model.m_historyMutex) {
        model.followDatabaseFile();
    }
    ~WriteScope() {
        if (m_begun && !m_finished) {
            m_model.transaction("ROLLBACK");
        }
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

    void note(const IndexChange& change) { m_changes.append(change); }
    // The writes of this scope stand or fall together.
    bool atomic() const { return !m_own || m_begun; }
    // Commits an own transaction; the index learns of the writes once they
    // are in the file.
    bool commit() {
        m_finished = true;
        if (!m_own) {
            m_model.m_batchChanges += m_changes;
            return true;
        }
        if (m_begun && !m_model.transaction("COMMIT")) {
            m_model.transaction("ROLLBACK");
            qCWarning(lcKivModel).noquote() << Q_FUNC_INFO << "commit failed";
            return false;
        }
        m_model.applyIndexChanges(m_changes);
        return true;
    }

private:
    CKivFriendDBModel& m_model;
    const bool m_own;
    // False outside a batch when the transaction could not start: the
    // statements then commit on their own, as they would without one.
    const bool m_begun;
    std::lock_guard<std::mutex> m_lock;
    bool m_finished = false;
    QVector<IndexChange> m_changes;
};

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
        // The database in use stays open: a refused name must not cost the
        // session its messages.
        qCWarning(lcKivModel).noquote() << "account name refused as a folder:" << account;
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
            qCDebug(lcKivModel) << "copy db";
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
        qCWarning(lcKivModel).noquote() << function << query.lastError().text();
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
    QStringList outboxColumns;
    if (query.exec(QStringLiteral("PRAGMA table_info(chat_outbox_table)"))) {
        while (query.next()) {
            outboxColumns << query.value(1).toString();
        }
    }
    for (const QString& statement : CKivChatDatabaseSchema::upgradeStatements(outboxColumns) +
                                        CKivChatDatabaseSchema::indexStatements() +
                                        CKivChatHistoryIndex::schema()) {
        execute(Q_FUNC_INFO, statement, query);
    }
    m_searchIndexed.store(CKivChatSearchIndex::prepare(util->database()));
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

bool CKivFriendDBModel::firstSeen(const char* function, quint32 serverRowId, bool* first) {
    QSqlQuery* query = sqlUtil()->keptQuery(
        QStringLiteral("insert or ignore into chat_offline_seen(serverid) values(?)"));
    if (query == nullptr) {
        qCWarning(lcKivModel).noquote() << function << "cannot prepare the offline item check";
        return false;
    }
    query->bindValue(0, serverRowId);
    if (!query->exec()) {
        qCWarning(lcKivModel).noquote() << function << query->lastError().text();
        return false;
    }
    *first = query->numRowsAffected() > 0;
    return true;
}

bool CKivFriendDBModel::insertChat(const char* function, quint32 sender, quint32 receiver,
                                   const QString& text, const QString& time, int isgot,
                                   qint64* rowId, quint32 serverRowId) {
    // The key assigns the id: concurrent inserts can never pick the same one.
    static const QString readSql = QStringLiteral(
        "insert into chat_message_table values(NULL,0,:send_id,:rev_id,:htmlText,:TimeText,1)");
    static const QString unreadSql = QStringLiteral(
        "insert into chat_message_table values(NULL,0,:send_id,:rev_id,:htmlText,:TimeText,0)");
    WriteScope scope(*this);
    if (serverRowId != 0) {
        // The item and the note that it was seen go in together or not at all.
        bool first = false;
        if (!scope.atomic() || !firstSeen(function, serverRowId, &first)) {
            return false;
        }
        if (!first) {
            return scope.commit();
        }
    }
    QSqlQuery* query = sqlUtil()->keptQuery(isgot ? readSql : unreadSql);
    if (query == nullptr) {
        qCWarning(lcKivModel).noquote() << function << "cannot prepare the insert";
        return false;
    }
    query->bindValue(0, sender);
    query->bindValue(1, receiver);
    query->bindValue(2, text);
    query->bindValue(3, time);
    if (!query->exec()) {
        qCWarning(lcKivModel).noquote() << function << query->lastError().text();
        return false;
    }
    const qint64 id = query->lastInsertId().toLongLong();
    m_lastMessageId.store(static_cast<int>(id));
    addToSearch(id, text);
    scope.note(IndexChange{true, sender, receiver, time, id});
    const bool committed = scope.commit();
    if (rowId)
        *rowId = committed ? id : 0;
    return committed;
}

QString CKivFriendDBModel::timeText() const {
    return timeTextAt(m_clockShift.load());
}

bool CKivFriendDBModel::InsertMessage(const char* record) {
    if (!record) {
        return false;
    }
    using R = ChatMessageRecord;
    return insertChat(Q_FUNC_INFO, fieldAt<quint32>(record, offsetof(R, senderUid)),
                      fieldAt<quint32>(record, offsetof(R, receiverUid)),
                      textAt(record, offsetof(R, text), sizeof(R::text)), timeText(), 1);
}

bool CKivFriendDBModel::InsertMsg(const char* record, qint64* rowId) {
    if (!record) {
        return false;
    }
    using R = ChatMessageRecord;
    return insertChat(Q_FUNC_INFO, fieldAt<quint32>(record, offsetof(R, senderUid)),
                      fieldAt<quint32>(record, offsetof(R, receiverUid)),
                      textAt(record, offsetof(R, text), sizeof(R::text)), timeText(), 0, rowId);
}

bool CKivFriendDBModel::SaveLeaveMessage(tag_leave_message message, quint32 serverRowId) {
    const char* item = reinterpret_cast<const char*>(&message);
    return insertChat(Q_FUNC_INFO, message.uid, GetOwnUid(),
                      textAt(item, offsetof(tag_leave_message, text), sizeof(message.text)),
                      textAt(item, offsetof(tag_leave_message, time), sizeof(message.time)), 0,
                      nullptr, serverRowId);
}

bool CKivFriendDBModel::storeFriendRequest(const char* function, const char* record,
                                           quint32 serverRowId, bool* first) {
    using R = AddFriendPushRecord;
    const quint32 from = fieldAt<quint32>(record, offsetof(R, fromUid));
    const quint32 to = fieldAt<quint32>(record, offsetof(R, toUid));
    const QString text = textAt(record, offsetof(R, requestText), sizeof(R::requestText));
    const QString now = timeText();

    WriteScope scope(*this);
    if (serverRowId != 0) {
        if (!scope.atomic() || !firstSeen(function, serverRowId, first)) {
            return false;
        }
        if (!*first) {
            return scope.commit();
        }
    }
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
        if (!execute(function,
                     QStringLiteral("update chat_message_table set msgtime=?,message=?,isgot=0 "
                                    "where id=?"),
                     query, {now, text, id})) {
            return false;
        }
        // The row moves in time order; the conversation is indexed afresh.
        if (!CKivChatHistoryIndex::dropSaved(sqlUtil()->database(), from, to)) {
            return false;
        }
        scope.note(IndexChange{false, from, to, QString(), 0});
        return scope.commit();
    }
    if (!execute(function,
                 QStringLiteral("insert into chat_message_table values(NULL,8,?,?,?,?,0)"), query,
                 {from, to, text, now})) {
        return false;
    }
    const qint64 id = query.lastInsertId().toLongLong();
    m_lastMessageId.store(static_cast<int>(id));
    scope.note(IndexChange{true, from, to, now, id});
    return scope.commit();
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

bool CKivFriendDBModel::SaveAddFriendRequest(const char* request, quint32 serverRowId) {
    bool first = true;
    if (!request || !storeFriendRequest(Q_FUNC_INFO, request, serverRowId, &first)) {
        return false;
    }
    if (!first) {
        return true;
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
    bool first = true;
    if (!record || !storeFriendRequest(Q_FUNC_INFO, record, 0, &first)) {
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
    WriteScope scope(*this);
    QSqlQuery query(sqlUtil()->database());
    const qulonglong a = uidA;
    const qulonglong b = uidB;
    if (m_searchIndexed.load()) {
        CKivChatSearchIndex::forget(sqlUtil()->database(), static_cast<quint32>(uidA),
                                    static_cast<quint32>(uidB));
    }
    const bool forward = execute(Q_FUNC_INFO, sql, query, {a, b});
    const bool backward = execute(Q_FUNC_INFO, sql, query, {b, a});
    if (!CKivChatHistoryIndex::dropSaved(sqlUtil()->database(), static_cast<quint32>(uidA),
                                         static_cast<quint32>(uidB))) {
        return false;
    }
    scope.note(
        IndexChange{false, static_cast<quint32>(uidA), static_cast<quint32>(uidB), QString(), 0});
    // What one direction removed is kept even when the other failed.
    return scope.commit() && forward && backward;
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

qint64 CKivFriendDBModel::AddToOutbox(quint32 sender, quint32 receiver, const QString& text) {
    QSqlQuery query(sqlUtil()->database());
    if (!execute(
            Q_FUNC_INFO,
            QStringLiteral("insert into chat_outbox_table(senderuid,recveruid,message,msgtime) "
                           "values(?,?,?,?)"),
            query, {sender, receiver, text.isNull() ? QStringLiteral("") : text, timeText()})) {
        return 0;
    }
    return query.lastInsertId().toLongLong();
}

QVector<CKivOutboxRow> CKivFriendDBModel::GetOutbox(quint32 sender) {
    QVector<CKivOutboxRow> rows;
    QSqlQuery query(sqlUtil()->database());
    if (!execute(Q_FUNC_INFO,
                 QStringLiteral("select id,senderuid,recveruid,message,msgtime,delivered from "
                                "chat_outbox_table where senderuid=? order by id"),
                 query, {sender})) {
        return rows;
    }
    while (query.next()) {
        rows.append(
            CKivOutboxRow{CKivChatRecordRow{query.value(0).toLongLong(), query.value(1).toUInt(),
                                            query.value(2).toUInt(), query.value(3).toString(),
                                            query.value(4).toString()},
                          query.value(5).toInt() != 0});
    }
    return rows;
}

bool CKivFriendDBModel::MarkOutboxDelivered(qint64 id) {
    QSqlQuery query(sqlUtil()->database());
    return execute(Q_FUNC_INFO,
                   QStringLiteral("update chat_outbox_table set delivered=1 where id=?"), query,
                   {id}) &&
           query.numRowsAffected() == 1;
}

bool CKivFriendDBModel::MoveOutboxToHistory(qint64 id, bool* gone) {
    WriteScope scope(*this);
    QSqlQuery query(sqlUtil()->database());
    if (!execute(Q_FUNC_INFO,
                 QStringLiteral("select senderuid,recveruid,message,msgtime from "
                                "chat_outbox_table where id=?"),
                 query, {id})) {
        return false;
    }
    if (!query.next()) {
        if (gone) {
            *gone = true;
        }
        return false;
    }
    const quint32 sender = query.value(0).toUInt();
    const quint32 receiver = query.value(1).toUInt();
    const QString text = query.value(2).toString();
    const QString time = query.value(3).toString();
    query.finish();
    if (!execute(Q_FUNC_INFO,
                 QStringLiteral("insert into chat_message_table values(NULL,0,?,?,?,?,1)"), query,
                 {sender, receiver, text, time})) {
        return false;
    }
    const qint64 rowId = query.lastInsertId().toLongLong();
    addToSearch(rowId, text);
    if (!execute(Q_FUNC_INFO, QStringLiteral("delete from chat_outbox_table where id=?"), query,
                 {id})) {
        return false;
    }
    m_lastMessageId.store(static_cast<int>(rowId));
    scope.note(IndexChange{true, sender, receiver, time, rowId});
    return scope.commit();
}

void CKivFriendDBModel::addToSearch(qint64 id, const QString& text) {
    // A message whose copy could not be made is still stored; the search then
    // misses it rather than the history losing it.
    if (!m_searchIndexed.load() || !m_searchWanted.load() || id <= 0)
        return;
    if (QSqlQuery* insert = sqlUtil()->keptQuery(CKivChatSearchIndex::insertStatement()))
        CKivChatSearchIndex::added(*insert, id, text);
}

bool CKivFriendDBModel::transaction(const char* statement) {
    QSqlQuery* query = sqlUtil()->keptQuery(QString::fromLatin1(statement));
    return query != nullptr && query->exec();
}

void CKivFriendDBModel::applyIndexChanges(const QVector<IndexChange>& changes) {
    for (const IndexChange& change : changes) {
        if (change.added) {
            m_history.added(change.sender, change.receiver, change.time, change.id);
        } else {
            m_history.forget(change.sender, change.receiver);
        }
    }
}

bool CKivFriendDBModel::BeginBatch() {
    if (InBatch()) {
        return true;
    }
    if (!transaction("BEGIN IMMEDIATE")) {
        qCWarning(lcKivModel).noquote() << Q_FUNC_INFO << "cannot start a transaction";
        return false;
    }
    std::lock_guard<std::mutex> lock(m_historyMutex);
    m_batchThread.store(std::this_thread::get_id());
    m_batchChanges.clear();
    return true;
}

bool CKivFriendDBModel::CommitBatch() {
    if (!InBatch()) {
        return false;
    }
    std::lock_guard<std::mutex> lock(m_historyMutex);
    m_batchThread.store(std::thread::id());
    QVector<IndexChange> changes;
    changes.swap(m_batchChanges);
    if (!transaction("COMMIT")) {
        transaction("ROLLBACK");
        qCWarning(lcKivModel).noquote()
            << Q_FUNC_INFO << "commit failed, the batch was rolled back";
        return false;
    }
    followDatabaseFile();
    applyIndexChanges(changes);
    return true;
}

void CKivFriendDBModel::RollbackBatch() {
    if (!InBatch()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_historyMutex);
    m_batchThread.store(std::thread::id());
    m_batchChanges.clear();
    transaction("ROLLBACK");
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
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        followDatabaseFile();
        if (!m_history.page(sqlUtil()->database(), uidA, uidB, offset, size, &rows)) {
            qCWarning(lcKivModel).noquote() << Q_FUNC_INFO << m_history.lastError();
        }
    }
    saveHistoryIndex();
    return rows;
}

int CKivFriendDBModel::GetChatRecordCount(quint32 uidA, quint32 uidB) {
    int total = 0;
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        followDatabaseFile();
        if (!m_history.count(sqlUtil()->database(), uidA, uidB, &total)) {
            qCWarning(lcKivModel).noquote() << Q_FUNC_INFO << m_history.lastError();
        }
    }
    saveHistoryIndex();
    return total;
}

void CKivFriendDBModel::saveHistoryIndex() {
    {
        std::lock_guard<std::mutex> lock(m_historyMutex);
        if (!m_history.unsaved() || InBatch()) {
            return;
        }
    }
    WriteScope scope(*this);
    if (!m_history.save(sqlUtil()->database())) {
        qCWarning(lcKivModel).noquote() << Q_FUNC_INFO << m_history.lastError();
        return;
    }
    scope.commit();
}
