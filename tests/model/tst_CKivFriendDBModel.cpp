#include <QSqlError>
#include <QtTest>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "CKivChatDatabaseSchema.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivTestRegistry.h"

namespace {

const quint32 Own = 1001;
const quint32 Friend = 2002;

QByteArray chatRecord(quint32 from, quint32 to, const QByteArray& text) {
    ChatMessageRecord record;
    KivInitRecord(record, ChatMessage);
    record.senderUid = from;
    record.receiverUid = to;
    KivWriteText(record.text, text);
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

QByteArray pushRecord(quint32 from, quint32 to, const QByteArray& nickName, const QByteArray& text,
                      quint32 head = 7) {
    AddFriendPushRecord record;
    KivInitRecord(record, AddFriendPush);
    record.fromUid = from;
    record.toUid = to;
    record.sex = 1;
    record.headIndex = head;
    KivWriteText(record.account, "acc" + QByteArray::number(from));
    KivWriteText(record.nickName, nickName);
    KivWriteText(record.sign, "sign of " + nickName);
    KivWriteText(record.requestText, text);
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

QByteArray loginRecord(quint32 uid, const QByteArray& nickName, quint32 vip = 1) {
    LoginResult record;
    KivInitRecord(record, Login);
    record.uid = uid;
    KivWriteText(record.account, "alice");
    KivWriteText(record.nickName, nickName);
    KivWriteText(record.sign, "hello");
    record.sex = 0;
    record.giftBalance = 12.5f;
    record.vipFlag = vip;
    KivWriteText(record.headAdd, "10001");
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

QByteArray searchRecord(quint32 uid, quint32 head, const QByteArray& account) {
    SearchResult record;
    KivInitRecord(record, Search);
    record.uflg = 1;
    record.profile.uid = uid;
    record.profile.head = head;
    record.profile.sex = 1;
    KivWriteText(record.profile.account, account);
    KivWriteText(record.profile.nickName, "found");
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

struct Row {
    qint64 id;
    QString message;
    QString time;
    bool operator==(const Row& other) const {
        return id == other.id && message == other.message && time == other.time;
    }
};

// Collects every message logged while it lives.
class LogCapture {
public:
    LogCapture() { m_previous = qInstallMessageHandler(&LogCapture::handler); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    static QStringList messages() {
        std::lock_guard<std::mutex> lock(mutex());
        return captured();
    }

private:
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static QStringList& captured() {
        static QStringList list;
        return list;
    }
    static void handler(QtMsgType, const QMessageLogContext&, const QString& text) {
        std::lock_guard<std::mutex> lock(mutex());
        captured().append(text);
    }
    QtMessageHandler m_previous;
};

}  // namespace

class tst_CKivFriendDBModel : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;
    CKivFriendDBModel* m_model = nullptr;

    // A template holding one marker profile, so a copy can be recognised.
    void makeTemplate() {
        QDir(m_dir->path()).mkpath(QStringLiteral("DB"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "template");
            db.setDatabaseName(m_dir->filePath(QStringLiteral("DB/CHAT_MESSAGE.db")));
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (const QString& statement : CKivChatDatabaseSchema::tableStatements()) {
                QVERIFY(query.exec(statement));
            }
            QVERIFY(query.exec("insert into chat_userinfor_table(uid,account) values(9,'marker')"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("template"));
    }

    void login(const QString& account = QStringLiteral("alice")) {
        QVERIFY(m_model->CreateDB(account));
        QVERIFY(m_model->ConnectDB());
    }

    CKivFriendSqlUtilCommon* util() {
        return CKivFriendSqlUtilCommon::CreateSqlUtil(m_model->GetDatabaseFile());
    }

    QSqlQuery select(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery query;
        const bool ok = util()->sqlUtilExecute(sql, query, values);
        if (!ok) {
            qWarning() << sql << query.lastError().text();
        }
        return query;
    }

    int scalar(const QString& sql, const QVariantList& values = {}) {
        QSqlQuery query = select(sql, values);
        return query.next() ? query.value(0).toInt() : -1;
    }

    QList<Row> literalPage(int offset) {
        QSqlQuery query = select(
            "select id,message,msgtime from chat_message_table where senderuid = ? and "
            "recveruid= ? or senderuid = ? and recveruid= ? order by msgtime desc, id desc "
            "limit 60 offset ?",
            {Own, Friend, Friend, Own, offset});
        QList<Row> rows;
        while (query.next()) {
            rows.append({query.value(0).toLongLong(), query.value(1).toString(),
                         query.value(2).toString()});
        }
        return rows;
    }

    QList<Row> modelPage(int offset) {
        QList<Row> rows;
        for (const CKivChatRecordRow& row : m_model->GetChatRecordPage(Own, Friend, offset, 60)) {
            rows.append({row.id, row.message, row.msgTime});
        }
        return rows;
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        makeTemplate();
        m_model = CKivFriendDBModel::GetInstance();
    }
    void cleanup() {
        CKivFriendDBModel::ReleaseInstance();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        QDir::setCurrent(m_previous);
        m_dir.reset();
    }

    void firstAndSecondLogin() {
        login();
        QVERIFY(QFileInfo(QStringLiteral("User/alice/FileRecv")).isDir());
        QVERIFY(QFileInfo::exists(QStringLiteral("User/alice/DB/CHAT_MESSAGE.db")));
        QCOMPARE(scalar("select count(*) from chat_userinfor_table where account='marker'"), 1);
        bool isNew = false;
        QVERIFY(m_model->UpdateUserInfor(loginRecord(Own, "first").constData(), isNew));
        QVERIFY(isNew);
        QCOMPARE(m_model->GetVipFlag(), 1u);
        QCOMPARE(m_model->GetGiftBalance(), 12.5f);
        QVERIFY(m_model->InsertMsg(chatRecord(Friend, Own, "kept").constData()));

        // The template changes; the account's database must not be replaced.
        QVERIFY(QFile::remove(QStringLiteral("DB/CHAT_MESSAGE.db")));
        makeTemplate();
        login();
        isNew = false;
        QVERIFY(!m_model->UpdateUserInfor(loginRecord(Own, "second").constData(), isNew));
        QVERIFY(!isNew);
        QCOMPARE(select("select nickName from chat_userinfor_table where uid=?", {Own}).next(),
                 true);
        QSqlQuery nick =
            select("select nickName,groupid from chat_userinfor_table where uid=?", {Own});
        QVERIFY(nick.next());
        QCOMPARE(nick.value(0).toString(), QStringLiteral("first"));
        QCOMPARE(nick.value(1).toInt(), 1);
        QCOMPARE(scalar("select count(*) from chat_message_table where message='kept'"), 1);
    }

    void missingTemplateBuildsSchema() {
        QVERIFY(QFile::remove(QStringLiteral("DB/CHAT_MESSAGE.db")));
        QVERIFY(m_model->CreateDB(QStringLiteral("bob")));
        QVERIFY(m_model->ConnectDB());
        QSqlQuery tables = select(
            "select name from sqlite_master where type='table' and name not like "
            "'sqlite_%' and name not like 'kiv_history_%' and name not like "
            "'kiv_chat_search%' order by name");
        QStringList names;
        while (tables.next()) {
            names << tables.value(0).toString();
        }
        QCOMPARE(names, (QStringList{"chat_message_table", "chat_offline_seen", "chat_outbox_table",
                                     "chat_upload_table", "chat_userinfor_table"}));
        QSqlQuery sql = select("select sql from sqlite_master where name='chat_message_table'");
        QVERIFY(sql.next());
        QCOMPARE(sql.value(0).toString() + ';',
                 QStringLiteral("CREATE TABLE chat_message_table(id integer PRIMARY KEY "
                                "AUTOINCREMENT,type integer,senderuid integer,recveruid "
                                "integer,message TEXT,msgtime varchar(25),isgot  integer);"));
        QCOMPARE(scalar("select count(*) from sqlite_master where type='index' and name like "
                        "'chat_message_%'"),
                 3);
    }

    void refusedAccounts_data() {
        QTest::addColumn<QString>("account");
        QTest::newRow("empty") << QString();
        QTest::newRow("parent") << QStringLiteral("..");
        QTest::newRow("climbs") << QStringLiteral("../../etc");
        QTest::newRow("backslash") << QStringLiteral("a\\b");
        QTest::newRow("control") << QStringLiteral("a\nb");
    }
    void refusedAccounts() {
        QFETCH(QString, account);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("account name refused"));
        QVERIFY(!m_model->CreateDB(account));
        QVERIFY(m_model->GetDatabaseFile().isEmpty());
        QVERIFY(!QDir(QStringLiteral("User")).exists() ||
                QDir(QStringLiteral("User"))
                    .entryList(QDir::NoDotAndDotDot | QDir::AllEntries)
                    .isEmpty());
    }

    // A refused account keeps the database in use: the session goes on storing.
    void refusedAccountKeepsTheOpenDatabase() {
        login();
        const QString file = m_model->GetDatabaseFile();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("account name refused"));
        QVERIFY(!m_model->CreateDB(QStringLiteral("../x")));
        QCOMPARE(m_model->GetDatabaseFile(), file);
        QVERIFY(m_model->InsertMsg(chatRecord(Friend, Own, "still stored").constData()));
        QCOMPARE(m_model->Select_chat_table(), 1);
    }

    void readAndUnreadMessages() {
        login();
        QVERIFY(m_model->InsertMessage(chatRecord(Own, Friend, "mine").constData()));
        QVERIFY(m_model->InsertMsg(chatRecord(Friend, Own, "theirs").constData()));
        QSqlQuery rows = select(
            "select type,senderuid,recveruid,message,isgot,msgtime from "
            "chat_message_table order by id");
        QVERIFY(rows.next());
        QCOMPARE(rows.value(4).toInt(), 1);
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0).toInt(), 0);
        QCOMPARE(rows.value(1).toUInt(), Friend);
        QCOMPARE(rows.value(2).toUInt(), Own);
        QCOMPARE(rows.value(4).toInt(), 0);
        QVERIFY(QRegularExpression("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}$")
                    .match(rows.value(5).toString())
                    .hasMatch());
        QCOMPARE(m_model->Select_chat_table(), 2);
        QCOMPARE(m_model->GetLastMessageId(), 2);
    }

    void repeatedRequestUpdatesOneRow() {
        login();
        QVERIFY(m_model->SaveAddFriendRequest(pushRecord(Friend, Own, "bob", "first").constData()));
        QVERIFY(
            m_model->SaveAddFriendRequest(pushRecord(Friend, Own, "bobby", "again").constData()));
        select("update chat_message_table set isgot=1");
        QVERIFY(m_model->AddFriend(pushRecord(Friend, Own, "robert", "third", 10002).constData()));
        QSqlQuery rows = select("select message,isgot from chat_message_table where type=8");
        QVERIFY(rows.next());
        QCOMPARE(rows.value(0).toString(), QStringLiteral("third"));
        QCOMPARE(rows.value(1).toInt(), 0);
        QVERIFY(!rows.next());
        // The request keeps the first profile; the established friendship refreshes it.
        QSqlQuery profile = select(
            "select nickName,headAdd,groupid from chat_userinfor_table where uid=?", {Friend});
        QVERIFY(profile.next());
        QCOMPARE(profile.value(0).toString(), QStringLiteral("robert"));
        QCOMPARE(profile.value(1).toString(), QStringLiteral("10002"));
        QCOMPARE(profile.value(2).toInt(), 0);
    }

    void searchResultProfile() {
        login();
        bool isNew = false;
        QVERIFY(m_model->UpdateFriendInfor(searchRecord(Friend, 5, "bob").constData(), isNew));
        QVERIFY(isNew);
        isNew = false;
        QVERIFY(m_model->UpdateFriendInfor(searchRecord(Friend, 5, "bob2").constData(), isNew));
        QVERIFY(!isNew);
        QCOMPARE(scalar("select count(*) from chat_userinfor_table where account='bob2'"), 1);
        QVERIFY(m_model->UpdateFriendInfor(searchRecord(Friend, 6, "bob2").constData(), isNew));
        QVERIFY(isNew);
    }

    void deleteRemovesBothDirections() {
        login();
        const quint32 other = 3003;
        QVERIFY(m_model->InsertMessage(chatRecord(Own, Friend, "a").constData()));
        QVERIFY(m_model->InsertMsg(chatRecord(Friend, Own, "b").constData()));
        QVERIFY(m_model->SaveAddFriendRequest(pushRecord(Friend, Own, "bob", "hi").constData()));
        QVERIFY(m_model->InsertMsg(chatRecord(other, Own, "c").constData()));
        QCOMPARE(m_model->GetChatRecordCount(Own, Friend), 3);
        QVERIFY(m_model->DelFriendChatMsg(Own, Friend));
        QCOMPARE(scalar("select count(*) from chat_message_table"), 1);
        QCOMPARE(scalar("select count(*) from chat_userinfor_table where uid=?", {Friend}), 1);
        QCOMPARE(m_model->GetChatRecordCount(Own, Friend), 0);
    }

    void hostileTextsRoundTrip_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("quote") << QByteArray("it's");
        QTest::newRow("double quote") << QByteArray("say \"hi\"");
        QTest::newRow("arg marker") << QByteArray("%1 and %2%10");
        QTest::newRow("comment") << QByteArray("-- not a comment");
        QTest::newRow("semicolon") << QByteArray("a; b;");
        QTest::newRow("injection") << QByteArray("'); DROP TABLE chat_message_table; --");
        QTest::newRow("wide") << QByteArray("\xe4\xbd\xa0\xe5\xa5\xbd '%1' [face01]\nline");
    }
    void hostileTextsRoundTrip() {
        QFETCH(QByteArray, text);
        login();
        const QString expected = QString::fromUtf8(text);
        QVERIFY(m_model->InsertMsg(chatRecord(Friend, Own, text).constData()));
        QSqlQuery message = select("select message from chat_message_table where id=?",
                                   {m_model->GetLastMessageId()});
        QVERIFY(message.next());
        QCOMPARE(message.value(0).toString(), expected);

        bool isNew = false;
        QVERIFY(m_model->UpdateFriendInfor(searchRecord(Friend, 1, text).constData(), isNew));
        QVERIFY(m_model->SaveAddFriendRequest(pushRecord(Friend, Own, text, text).constData()));
        SetMyShowRecord show;
        KivInitRecord(show, SetMyShow);
        show.uid = Friend;
        KivWriteText(show.sign, text);
        QVERIFY(m_model->SaveMyShow(reinterpret_cast<const char*>(&show)));
        QSqlQuery profile =
            select("select account,sign from chat_userinfor_table where uid=?", {Friend});
        QVERIFY(profile.next());
        QCOMPARE(profile.value(0).toString(), expected);
        QCOMPARE(profile.value(1).toString(), expected);
        QCOMPARE(scalar("select count(*) from chat_message_table where type=8 and message=?",
                        {expected}),
                 1);

        tag_leave_message leave = {};
        leave.uid = Friend;
        KivWriteText(leave.time, text.left(19));
        KivWriteText(leave.text, text);
        isNew = false;
        QVERIFY(!m_model->UpdateUserInfor(loginRecord(Own, "me").constData(), isNew) || isNew);
        QVERIFY(m_model->SaveLeaveMessage(leave));
        QSqlQuery stored = select(
            "select message,msgtime,recveruid from chat_message_table "
            "where id=?",
            {m_model->GetLastMessageId()});
        QVERIFY(stored.next());
        QCOMPARE(stored.value(0).toString(), expected);
        QCOMPARE(stored.value(1).toString(), QString::fromUtf8(KivReadText(leave.time)));
        QCOMPARE(stored.value(2).toUInt(), Own);
        QCOMPARE(scalar("select count(*) from sqlite_master where name='chat_message_table'"), 1);
    }

    // Waiting messages come back oldest first, per sender; one that left is a
    // sent row of the history dated when it was typed, and is gone from the
    // outbox, in the same transaction (the history pages see it at once).
    // An outbox made by an older client gains the mark of a message the
    // server has; its messages stay.
    void olderOutboxGainsTheDeliveredMark() {
        QVERIFY(m_model->CreateDB(QStringLiteral("alice")));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "older");
            db.setDatabaseName(m_model->GetDatabaseFile());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec("DROP TABLE IF EXISTS chat_outbox_table"));
            QVERIFY(
                query.exec("CREATE TABLE chat_outbox_table(id integer PRIMARY KEY "
                           "AUTOINCREMENT,senderuid integer,recveruid integer,message "
                           "TEXT,msgtime varchar(25))"));
            QVERIFY(query.exec("insert into chat_outbox_table values(NULL,1001,2002,'kept','t')"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("older"));
        QVERIFY(m_model->ConnectDB());
        QVector<CKivOutboxRow> waiting = m_model->GetOutbox(Own);
        QCOMPARE(waiting.size(), 1);
        QVERIFY(!waiting.at(0).delivered);
        QVERIFY(m_model->MarkOutboxDelivered(waiting.at(0).row.id));
        QVERIFY(m_model->GetOutbox(Own).at(0).delivered);
        QVERIFY(!m_model->MarkOutboxDelivered(waiting.at(0).row.id + 1));
    }

    // A friend request the server brings again (same server id) is stored
    // once and not marked unread again; offline chat messages are covered
    // with the pull that stores them.
    void offlineRequestIsStoredOncePerServerId() {
        login();
        const QByteArray request = pushRecord(Friend, Own, "bob", "add me");
        QVERIFY(m_model->SaveAddFriendRequest(request.constData(), 32));
        QVERIFY(select("update chat_message_table set isgot=1 where type=8").isActive());
        QVERIFY(m_model->SaveAddFriendRequest(request.constData(), 32));
        QCOMPARE(scalar("select count(*) from chat_message_table where type=8"), 1);
        QCOMPARE(scalar("select isgot from chat_message_table where type=8"), 1);
    }

    void outboxMovesIntoTheHistory() {
        login();
        const qint64 first = m_model->AddToOutbox(Own, Friend, QStringLiteral("第一 'x'); --"));
        const qint64 second = m_model->AddToOutbox(Own, Friend, QStringLiteral("second"));
        const qint64 other = m_model->AddToOutbox(3003, Friend, QStringLiteral("not mine"));
        QVERIFY(first > 0 && second > first && other > second);
        QVector<CKivOutboxRow> waiting = m_model->GetOutbox(Own);
        QCOMPARE(waiting.size(), 2);
        QCOMPARE(waiting.at(0).row.id, first);
        QCOMPARE(waiting.at(0).row.message, QStringLiteral("第一 'x'); --"));
        QCOMPARE(waiting.at(1).row.id, second);
        QVERIFY(!waiting.at(0).delivered);
        const QString typedAt = waiting.at(0).row.msgTime;

        m_model->ShiftClock(2);
        QVERIFY(m_model->MoveOutboxToHistory(first));
        QVERIFY(!m_model->MoveOutboxToHistory(first));
        waiting = m_model->GetOutbox(Own);
        QCOMPARE(waiting.size(), 1);
        QCOMPARE(waiting.at(0).row.id, second);
        QSqlQuery sent = select(
            "select message,msgtime,isgot from chat_message_table where senderuid=? and "
            "recveruid=?",
            {Own, Friend});
        QVERIFY(sent.next());
        QCOMPARE(sent.value(0).toString(), QStringLiteral("第一 'x'); --"));
        QCOMPARE(sent.value(1).toString(), typedAt);
        QCOMPARE(sent.value(2).toInt(), 1);
        QVERIFY(!sent.next());
        QCOMPARE(m_model->GetChatRecordCount(Own, Friend), 1);
        QCOMPARE(m_model->GetChatRecordPage(Own, Friend, 0, 60).value(0).message,
                 QStringLiteral("第一 'x'); --"));
    }

    void historyPagesMatchTheLiteralQuery() {
        login();
        {
            QSqlDatabase db = util()->database();
            QVERIFY(db.transaction());
            QSqlQuery insert(db);
            QVERIFY(insert.prepare("insert into chat_message_table values(NULL,0,?,?,?,?,1)"));
            for (int i = 0; i < 1500; ++i) {
                const bool mine = i % 3 == 0;
                insert.addBindValue(mine ? Own : Friend);
                insert.addBindValue(mine ? Friend : Own);
                insert.addBindValue(QStringLiteral("m%1").arg(i));
                // Every fifth row shares its second with its neighbour.
                insert.addBindValue(QDateTime(QDate(2020, 1, 1), QTime(0, 0))
                                        .addSecs(i - i % 5 / 4)
                                        .toString("yyyy-MM-dd hh:mm:ss"));
                QVERIFY(insert.exec());
            }
            QVERIFY(db.commit());
        }
        QVERIFY(m_model->InsertMsg(chatRecord(3003, Own, "elsewhere").constData()));
        QCOMPARE(m_model->GetChatRecordCount(Own, Friend), 1500);
        const QList<int> offsets = {0,  1,   59,   60,   61,   63,   64,
                                    65, 700, 1439, 1440, 1499, 1500, 2000};
        for (int offset : offsets) {
            QCOMPARE(modelPage(offset), literalPage(offset));
        }
        // New rows arrive at the top and in the middle; the index follows.
        for (int i = 0; i < 300; ++i) {
            QVERIFY(m_model->InsertMsg(
                chatRecord(Friend, Own, "new" + QByteArray::number(i)).constData()));
        }
        bool isNew = false;
        QVERIFY(m_model->UpdateUserInfor(loginRecord(Own, "me").constData(), isNew));
        tag_leave_message leave = {};
        leave.uid = Friend;
        KivWriteText(leave.time, "2020-01-01 00:10:00");
        KivWriteText(leave.text, "offline");
        QVERIFY(m_model->SaveLeaveMessage(leave));
        QCOMPARE(m_model->GetChatRecordCount(Own, Friend), 1801);
        for (int offset : offsets + QList<int>{240, 300, 301, 1741, 1800}) {
            QCOMPARE(modelPage(offset), literalPage(offset));
        }
        QCOMPARE(m_model->GetChatRecordPage(Own, Friend, 1790, 60).size(), 11);
        QVERIFY(m_model->GetChatRecordPage(Own, Friend, -1, 60).isEmpty());
    }

    // The kept index outlives the process: a new model loads it, catches up
    // with rows stored meanwhile by anyone, and follows deletions.
    void historyIndexSurvivesRestarts_data() {
        QTest::addColumn<int>("rows");
        for (int rows : {0, 1, 60, 61, 100000}) {
            QTest::newRow(qPrintable(QString::number(rows))) << rows;
        }
    }
    void historyIndexSurvivesRestarts() {
        QFETCH(int, rows);
        login();
        const auto bulk = [this](int count, int first) {
            QSqlDatabase db = util()->database();
            QVERIFY(db.transaction());
            QSqlQuery insert(db);
            QVERIFY(insert.prepare("insert into chat_message_table values(NULL,0,?,?,?,?,1)"));
            for (int i = first; i < first + count; ++i) {
                insert.addBindValue(i % 3 ? Friend : Own);
                insert.addBindValue(i % 3 ? Own : Friend);
                insert.addBindValue(QStringLiteral("m%1").arg(i));
                insert.addBindValue(QDateTime(QDate(2021, 1, 1), QTime(0, 0))
                                        .addSecs(i - i % 7 / 5)
                                        .toString("yyyy-MM-dd hh:mm:ss"));
                QVERIFY(insert.exec());
            }
            QVERIFY(db.commit());
        };
        const auto agree = [this](int expected) {
            QCOMPARE(m_model->GetChatRecordCount(Own, Friend), expected);
            for (int offset : {0, 1, 59, 60, 61, expected / 2, expected - 61, expected - 1}) {
                QCOMPARE(modelPage(std::max(offset, 0)), literalPage(std::max(offset, 0)));
            }
        };
        const auto restart = [this] {
            CKivFriendDBModel::ReleaseInstance();
            m_model = CKivFriendDBModel::GetInstance();
            login();
        };
        bulk(rows, 0);
        agree(rows);
        QVERIFY(m_model->InsertMsg(chatRecord(Friend, Own, "new").constData()));
        agree(rows + 1);

        restart();
        // Kept with the file, the last message included.
        QCOMPARE(scalar("select total from kiv_history_conversation where low=? and high=?",
                        {std::min(Own, Friend), std::max(Own, Friend)}),
                 rows + 1);
        bulk(61, rows + 10);
        QVERIFY(m_model->InsertMsg(chatRecord(3003, Own, "elsewhere").constData()));
        agree(rows + 62);

        // Rows deleted behind the model's back, as "clear history" does.
        QSqlQuery removal;
        QVERIFY(util()->sqlUtilExecute(
            QStringLiteral("delete from chat_message_table where message like 'm1%'"), removal));
        const int left = scalar(
            "select count(*) from chat_message_table where senderuid = ? and recveruid= ? or "
            "senderuid = ? and recveruid= ?",
            {Own, Friend, Friend, Own});
        agree(left);
        restart();
        agree(left);

        QVERIFY(m_model->DelFriendChatMsg(Own, Friend));
        agree(0);
        QVERIFY(m_model->InsertMsg(chatRecord(Own, Friend, "after").constData()));
        restart();
        agree(1);
    }

    void insertWhileReadingLosesNothing() {
        login();
        const int total = 10000;
        LogCapture capture;
        std::atomic<bool> done{false};
        std::thread writer([&] {
            for (int i = 0; i < total; ++i) {
                const QByteArray record = i % 2 ? chatRecord(Friend, Own, QByteArray::number(i))
                                                : chatRecord(Own, Friend, QByteArray::number(i));
                m_model->InsertMsg(record.constData());
            }
            done = true;
        });
        int pages = 0;
        int seen = 0;
        while (!done) {
            const int count = m_model->GetChatRecordCount(Own, Friend);
            QVERIFY(count >= seen);
            seen = count;
            m_model->GetChatRecordPage(Own, Friend, count / 2, 60);
            QSqlQuery unread;
            util()->sqlUtilExecute(
                QStringLiteral("select count(*) from chat_message_table where isgot=0"), unread);
            ++pages;
        }
        writer.join();
        QVERIFY(pages > 0);
        QCOMPARE(LogCapture::messages(), QStringList());
        QCOMPARE(scalar("select count(*) from chat_message_table"), total);
        QCOMPARE(scalar("select count(distinct message) from chat_message_table"), total);
        QCOMPARE(m_model->GetChatRecordCount(Own, Friend), total);
        QCOMPARE(modelPage(5000), literalPage(5000));
    }
};

KIV_TEST_CLASS(tst_CKivFriendDBModel)
#include "tst_CKivFriendDBModel.moc"
