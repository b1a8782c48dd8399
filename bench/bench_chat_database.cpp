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
const int ReceivedMessages = 20000;
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

// The same rows as the InsertMsg run on a fresh file with the same journal
// settings, in one transaction or committed one by one.
double rawInsertsPerSecond(const QString& file, bool oneTransaction) {
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=NORMAL");
    exec(db,
         "CREATE TABLE chat_message_table(id integer PRIMARY KEY AUTOINCREMENT,type "
         "integer,senderuid integer,recveruid integer,message TEXT,msgtime varchar(25),isgot  "
         "integer);");
    exec(db,
         "CREATE INDEX chat_message_pair_time ON "
         "chat_message_table(senderuid,recveruid,msgtime,id);");
    exec(db,
         "CREATE INDEX chat_message_unread ON "
         "chat_message_table(isgot,recveruid,senderuid,msgtime);");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into chat_message_table values(NULL,0,?,?,?,?,0)", -1, &insert,
                       nullptr);
    const QByteArray now = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss").toUtf8();
    QElapsedTimer timer;
    timer.start();
    if (oneTransaction) {
        exec(db, "BEGIN");
    }
    for (int i = 0; i < ReceivedMessages; ++i) {
        const QByteArray text = messageText(i);
        sqlite3_bind_int64(insert, 1, 5000 + i % 50);
        sqlite3_bind_int64(insert, 2, Own);
        sqlite3_bind_text(insert, 3, text.constData(), text.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, now.constData(), now.size(), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    if (oneTransaction) {
        exec(db, "COMMIT");
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return ReceivedMessages / seconds;
}

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
    timer.start();
    for (int i = 0; i < ReceivedMessages; ++i) {
        record.senderUid = 5000 + i % 50;
        KivWriteText(record.text, messageText(i));
        if (!model->InsertMsg(reinterpret_cast<const char*>(&record))) {
            std::fprintf(stderr, "InsertMsg failed\n");
            return 1;
        }
    }
    const double committed = ReceivedMessages / (timer.nsecsElapsed() / 1e9);
    const double raw = rawInsertsPerSecond(dir.filePath(QStringLiteral("raw.db")), true);
    const double rawEach = rawInsertsPerSecond(dir.filePath(QStringLiteral("raw2.db")), false);
    std::printf("InsertMsg, one commit per message: %.0f msg/s\n", committed);
    std::printf("raw SQLite, one transaction:       %.0f msg/s\n", raw);
    std::printf("raw SQLite, one commit per row:    %.0f msg/s\n", rawEach);
    std::printf("ratio InsertMsg / raw:             %.3f\n", committed / raw);

    timer.restart();
    if (!fillDatabase(file, ReceivedMessages)) {
        return 1;
    }
    std::printf("filled to %d rows (%d in the conversation) in %.0f ms\n", TotalRows,
                ConversationRows, millisecondsOf(timer));

    timer.restart();
    const int total = model->GetChatRecordCount(Own, Friend);
    std::printf("first use, history index built:   %.1f ms (%d rows)\n", millisecondsOf(timer),
                total);

    timer.restart();
    model->GetChatRecordCount(Own, Friend);
    std::printf("message count:                     %.3f ms\n", millisecondsOf(timer));

    for (int offset : {0, 500000, total - 60}) {
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
        std::printf("history page at offset %6d:      %.3f ms (worst of 5)\n", offset, worst);
    }

    // A new message lands in the index; the next pages stay fast.
    record.senderUid = Friend;
    KivWriteText(record.text, "one more");
    model->InsertMsg(reinterpret_cast<const char*>(&record));
    timer.restart();
    model->GetChatRecordPage(Own, Friend, 500000, 60);
    std::printf("page at 500000 after a new message: %.3f ms\n", millisecondsOf(timer));

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
