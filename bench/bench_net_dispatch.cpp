// Received chat records dispatched per second through the net model, each
// stored as an unread message, against raw SQLite inserts of the same rows in
// one transaction in the same process.
#include <sqlite3.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRecordCutter.h"

namespace {

constexpr int kMessages = 20000;

double seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double rawInserts(const QString& file) {
    sqlite3* db = nullptr;
    sqlite3_open(file.toUtf8().constData(), &db);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> owner(db, &sqlite3_close);
    sqlite3_exec(db,
                 "CREATE TABLE chat_message_table(id integer PRIMARY KEY AUTOINCREMENT,type "
                 "integer,senderuid integer,recveruid integer,message TEXT,msgtime "
                 "varchar(25),isgot  integer);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into chat_message_table values(NULL,0,?,?,?,?,0)", -1, &insert,
                       nullptr);
    const QByteArray time = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss").toUtf8();
    const auto start = std::chrono::steady_clock::now();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < kMessages; ++i) {
        const QByteArray text = "message " + QByteArray::number(i);
        sqlite3_bind_text(insert, 1, "502", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, "501", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, text.constData(), text.size(), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, time.constData(), time.size(), SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double took = seconds(start);
    sqlite3_finalize(insert);
    return took;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CKivFriendNetModel* model = CKivFriendNetModel::GetInstance();

    // Records come from the receive path's delivery buffer.
    CKivRecordCutter cutter;
    ::LoginResult login;
    KivInitRecord(login, Login);
    login.uid = 501;
    KivWriteText(login.account, "bench");
    KivWriteText(login.headAdd, "1");
    cutter.append(reinterpret_cast<const char*>(&login), sizeof(login));
    cutter.next();
    model->Socket_Kernel(cutter.record(), cutter.recordLength());

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kMessages; ++i) {
        ChatMessageRecord chat;
        KivInitRecord(chat, ChatMessage);
        chat.senderUid = 502;
        chat.receiverUid = 501;
        KivWriteText(chat.text, "message " + QByteArray::number(i));
        cutter.append(reinterpret_cast<const char*>(&chat), sizeof(chat));
        cutter.next();
        model->Socket_Kernel(cutter.record(), cutter.recordLength());
    }
    const double dispatch = seconds(start);
    const int stored = CKivFriendDBModel::GetInstance()->GetChatRecordCount(501, 502);
    const double raw = rawInserts(dir.filePath("raw.db"));

    std::printf("dispatch: %d chat records stored (%d in the table)\n", kMessages, stored);
    std::printf("dispatch through Socket_Kernel: %.0f msg/s\n", kMessages / dispatch);
    std::printf("raw SQLite, one transaction:    %.0f msg/s\n", kMessages / raw);
    std::printf("ratio raw/dispatch: %.1fx\n", dispatch / raw);
    CKivFriendNetModel::ReleaseInstance();
    CKivFriendDBModel::ReleaseInstance();
    return stored == kMessages ? 0 : 1;
}
