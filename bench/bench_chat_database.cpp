// Chat database figures: received messages committed per second through the
// network thread's path, and history pages and counts at a million rows.

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivProtocol.h"

namespace {

const quint32 Own = 1001;
const quint32 Friend = 2002;
const int ChunkMessages = 250;
const int Chunks = 40;
const int ReceivedMessages = ChunkMessages * Chunks;
const int TotalRows = 1000000;
const int ConversationRows = 600000;

QByteArray messageText(int i) {
    return "received message number " + QByteArray::number(i) + " [face03] with some text";
}

double millisecondsOf(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

bool exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error);
        sqlite3_free(error);
        return false;
    }
    return true;
}

// The same rows as the InsertMsg run, on a file of its own with the same
// schema and journal settings, in one transaction or committed one by one.
class RawWriter {
public:
    explicit RawWriter(const QString& file) {
        sqlite3_open(file.toUtf8().constData(), &m_db);
        exec(m_db, "PRAGMA journal_mode=WAL");
        exec(m_db, "PRAGMA synchronous=FULL");
        exec(m_db,
             "CREATE TABLE chat_message_table(id integer PRIMARY KEY AUTOINCREMENT,type "
             "integer,senderuid integer,recveruid integer,message TEXT,msgtime varchar(25),isgot  "
             "integer);");
        exec(m_db,
             "CREATE INDEX chat_message_pair_time ON "
             "chat_message_table(senderuid,recveruid,msgtime,id);");
        exec(m_db,
             "CREATE INDEX chat_message_unread ON "
             "chat_message_table(isgot,recveruid,senderuid,msgtime);");
        sqlite3_prepare_v2(m_db, "insert into chat_message_table values(NULL,0,?,?,?,?,0)", -1,
                           &m_insert, nullptr);
    }
    ~RawWriter() {
        sqlite3_finalize(m_insert);
        sqlite3_close(m_db);
    }
    // Seconds for `count` rows.
    double insert(int count, bool oneTransaction) {
        const QByteArray now =
            QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss").toUtf8();
        QElapsedTimer timer;
        timer.start();
        if (oneTransaction) {
            exec(m_db, "BEGIN");
        }
        for (int i = 0; i < count; ++i) {
            const QByteArray text = messageText(i);
            sqlite3_bind_int64(m_insert, 1, 5000 + i % 50);
            sqlite3_bind_int64(m_insert, 2, Own);
            sqlite3_bind_text(m_insert, 3, text.constData(), text.size(), SQLITE_TRANSIENT);
            sqlite3_bind_text(m_insert, 4, now.constData(), now.size(), SQLITE_TRANSIENT);
            sqlite3_step(m_insert);
            sqlite3_reset(m_insert);
        }
        if (oneTransaction) {
            exec(m_db, "COMMIT");
        }
        return timer.nsecsElapsed() / 1e9;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_insert = nullptr;
};

// Fills the account's file up to TotalRows: ConversationRows between Own and
// Friend (both directions, one per second), the rest in other conversations.
bool fillDatabase(const QString& file, int present) {
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    sqlite3_busy_timeout(db, 10000);
    // Room for the whole transaction, so no page is spilled and written twice.
    exec(db, "PRAGMA cache_size=-400000");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into chat_message_table values(NULL,0,?,?,?,?,1)", -1, &insert,
                       nullptr);
    const QDateTime start(QDate(2023, 1, 1), QTime(8, 0));
    exec(db, "BEGIN");
    const qint64 rows = TotalRows - present;
    for (qint64 i = 0; i < rows; ++i) {
        // Exactly ConversationRows of them, spread evenly.
        const bool conversation = (i + 1) * ConversationRows / rows != i * ConversationRows / rows;
        quint32 sender = 7000 + static_cast<quint32>(i % 300);
        quint32 receiver = Own;
        if (conversation) {
            sender = i % 2 ? Own : Friend;
            receiver = i % 2 ? Friend : Own;
        }
        const QByteArray text = messageText(static_cast<int>(i));
        const QByteArray time = start.addSecs(i).toString("yyyy-MM-dd hh:mm:ss").toUtf8();
        sqlite3_bind_int64(insert, 1, sender);
        sqlite3_bind_int64(insert, 2, receiver);
        sqlite3_bind_text(insert, 3, text.constData(), text.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, time.constData(), time.size(), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            std::fprintf(stderr, "bulk insert: %s\n", sqlite3_errmsg(db));
            return false;
        }
        sqlite3_reset(insert);
    }
    const bool committed = exec(db, "COMMIT");
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return committed;
}

int literalCount(CKivFriendSqlUtilCommon* util) {
    QSqlQuery query;
    util->sqlUtilExecute(QStringLiteral("SELECT COUNT (*) FROM chat_message_table where "
                                        "senderuid = ? and recveruid= ? or senderuid = ? and "
                                        "recveruid= ?"),
                         query, {Own, Friend, Friend, Own});
    return query.next() ? query.value(0).toInt() : -1;
}

QVector<qint64> literalPage(CKivFriendSqlUtilCommon* util, int offset) {
    QSqlQuery query;
    query.setForwardOnly(true);
    util->sqlUtilExecute(QStringLiteral("select id from chat_message_table where senderuid = ? "
                                        "and recveruid= ? or senderuid = ? and recveruid= ? "
                                        "order by msgtime desc, id desc limit 60 offset ?"),
                         query, {Own, Friend, Friend, Own, offset});
    QVector<qint64> ids;
    while (query.next()) {
        ids.append(query.value(0).toLongLong());
    }
    return ids;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CKivFriendDBModel* model = CKivFriendDBModel::GetInstance();
    model->CreateDB(QStringLiteral("bench"));
    CKivFriendSqlUtilCommon* util = model->ConnectDB();
    const QString file = model->GetDatabaseFile();

    ChatMessageRecord record;
    KivInitRecord(record, ChatMessage);
    record.receiverUid = Own;
    QElapsedTimer timer;
    // Short alternating chunks, times summed: the disk and the other work on
    // the machine weigh on all three alike.
    RawWriter rawEachWriter(dir.filePath(QStringLiteral("each.db")));
    RawWriter rawBatchWriter(dir.filePath(QStringLiteral("batch.db")));
    double modelSeconds = 0;
    double rawEachSeconds = 0;
    double rawBatchSeconds = 0;
    for (int chunk = 0; chunk < Chunks; ++chunk) {
        timer.restart();
        for (int i = 0; i < ChunkMessages; ++i) {
            record.senderUid = 5000 + i % 50;
            KivWriteText(record.text, messageText(i));
            if (!model->InsertMsg(reinterpret_cast<const char*>(&record))) {
                std::fprintf(stderr, "InsertMsg failed\n");
                return 1;
            }
        }
        modelSeconds += timer.nsecsElapsed() / 1e9;
        rawEachSeconds += rawEachWriter.insert(ChunkMessages, false);
        rawBatchSeconds += rawBatchWriter.insert(ChunkMessages, true);
    }
    const double committed = ReceivedMessages / modelSeconds;
    const double raw = ReceivedMessages / rawBatchSeconds;
    const double rawEach = ReceivedMessages / rawEachSeconds;
    std::printf("InsertMsg, one commit per message: %.0f msg/s\n", committed);
    std::printf("raw SQLite, one transaction per %d: %.0f msg/s\n", ChunkMessages, raw);
    std::printf("raw SQLite, one commit per row:    %.0f msg/s\n", rawEach);
    std::printf("InsertMsg / raw one commit per row: %.2fx\n", committed / rawEach);

    timer.restart();
    if (!fillDatabase(file, ReceivedMessages)) {
        return 1;
    }
    std::printf("filled to %d rows (%d in the conversation) in %.0f ms\n", TotalRows,
                ConversationRows, millisecondsOf(timer));

    timer.restart();
    const int total = model->GetChatRecordCount(Own, Friend);
    std::printf("never indexed: history index built once: %.1f ms (%d rows)\n",
                millisecondsOf(timer), total);

    // What a user meets from then on: a new run loads the kept index and
    // catches up with the messages that arrived since.
    CKivFriendDBModel::ReleaseInstance();
    model = CKivFriendDBModel::GetInstance();
    model->CreateDB(QStringLiteral("bench"));
    util = model->ConnectDB();
    record.senderUid = Friend;
    for (int i = 0; i < 100; ++i) {
        KivWriteText(record.text, "while away " + QByteArray::number(i));
        model->InsertMsg(reinterpret_cast<const char*>(&record));
    }
    CKivFriendDBModel::ReleaseInstance();
    model = CKivFriendDBModel::GetInstance();
    model->CreateDB(QStringLiteral("bench"));
    util = model->ConnectDB();
    timer.restart();
    const int counted = model->GetChatRecordCount(Own, Friend);
    const double firstCount = millisecondsOf(timer);
    timer.restart();
    const int firstRows = model->GetChatRecordPage(Own, Friend, 0, 60).size();
    const double firstPage = millisecondsOf(timer);
    std::printf("new run: count %.3f ms (%d rows), first page %.3f ms (%d rows)\n", firstCount,
                counted, firstPage, firstRows);

    timer.restart();
    model->GetChatRecordCount(Own, Friend);
    std::printf("message count:                     %.3f ms\n", millisecondsOf(timer));

    double worstPage = firstPage;
    for (int offset : {0, 60, 61, 300000, 500000, counted - 61, counted - 60}) {
        double worst = 0;
        for (int run = 0; run < 5; ++run) {
            timer.restart();
            const QVector<CKivChatRecordRow> rows =
                model->GetChatRecordPage(Own, Friend, offset, 60);
            worst = std::max(worst, millisecondsOf(timer));
            if (rows.size() != 60) {
                std::fprintf(stderr, "page at %d holds %d rows\n", offset, int(rows.size()));
                return 1;
            }
        }
        worstPage = std::max(worstPage, worst);
        std::printf("history page at offset %6d:      %.3f ms (worst of 5)\n", offset, worst);
    }

    // A new message lands in the index; the next pages stay fast.
    KivWriteText(record.text, "one more");
    model->InsertMsg(reinterpret_cast<const char*>(&record));
    timer.restart();
    model->GetChatRecordPage(Own, Friend, 500000, 60);
    const double afterNew = millisecondsOf(timer);
    worstPage = std::max(worstPage, afterNew);
    std::printf("page at 500000 after a new message: %.3f ms\n", afterNew);
    std::printf("worst history page, the first of a run included: %.3f ms\n", worstPage);

    timer.restart();
    const int literal = literalCount(util);
    std::printf("literal COUNT query, for comparison: %.1f ms\n", millisecondsOf(timer));
    timer.restart();
    const QVector<qint64> expected = literalPage(util, 500000);
    std::printf("literal OFFSET 500000 query, for comparison: %.1f ms\n", millisecondsOf(timer));
    QVector<qint64> ids;
    for (const CKivChatRecordRow& row : model->GetChatRecordPage(Own, Friend, 500000, 60)) {
        ids.append(row.id);
    }
    const bool same = ids == expected && literal == model->GetChatRecordCount(Own, Friend);
    std::printf("pages and counts agree with the literal queries: %s\n", same ? "yes" : "NO");

    CKivFriendDBModel::ReleaseInstance();
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    return same ? 0 : 1;
}
