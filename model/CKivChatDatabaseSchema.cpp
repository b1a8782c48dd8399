#include "CKivChatDatabaseSchema.h"

QStringList CKivChatDatabaseSchema::tableStatements() {
    return {
        QStringLiteral("CREATE TABLE chat_message_table(id integer PRIMARY KEY "
                       "AUTOINCREMENT,type integer,senderuid integer,recveruid integer,message "
                       "TEXT,msgtime varchar(25),isgot  integer);"),
        QStringLiteral("CREATE TABLE chat_userinfor_table(uid BIGINT(20) PRIMARY KEY,account "
                       "varchar(128),nickName varchar(128),sign varchar(512),sex integer,birthday "
                       "varchar(12),area varchar(64),phone varchar(12),groupid integer,headAdd "
                       "varchar(128));"),
        // Messages typed that have not left yet; they move into the history
        // once the server has them.
        // delivered: the server has it, only the move into the history is missing.
        QStringLiteral("CREATE TABLE chat_outbox_table(id integer PRIMARY KEY AUTOINCREMENT,"
                       "senderuid integer,recveruid integer,message TEXT,msgtime varchar(25),"
                       "delivered integer DEFAULT 0);"),
        // The server's ids of the offline items stored, so that an item the
        // server brings again is not stored twice.
        QStringLiteral("CREATE TABLE chat_offline_seen(serverid integer PRIMARY KEY);"),
        // Files on their way to the file server: announced to the receiver
        // once the server holds all of them. session: the upload session (0
        // before one was given); sent: the bytes the server confirmed.
        QStringLiteral("CREATE TABLE chat_upload_table(id integer PRIMARY KEY AUTOINCREMENT,"
                       "senderuid integer,recveruid integer,path TEXT,name TEXT,size integer,"
                       "session integer DEFAULT 0,sent integer DEFAULT 0,created varchar(25));"),
    };
}

QStringList CKivChatDatabaseSchema::upgradeStatements(const QStringList& outboxColumns) {
    QStringList statements;
    if (!outboxColumns.isEmpty() && !outboxColumns.contains(QLatin1String("delivered"))) {
        statements << QStringLiteral(
            "ALTER TABLE chat_outbox_table ADD COLUMN delivered integer DEFAULT 0;");
    }
    return statements;
}

QStringList CKivChatDatabaseSchema::indexStatements() {
    return {
        // One conversation direction in time order: history pages and counts.
        QStringLiteral("CREATE INDEX IF NOT EXISTS chat_message_pair_time ON "
                       "chat_message_table(senderuid,recveruid,msgtime,id);"),
        // One conversation direction by id: what a conversation gained since
        // a known id, without reading the other conversations.
        QStringLiteral("CREATE INDEX IF NOT EXISTS chat_message_pair_id ON "
                       "chat_message_table(senderuid,recveruid);"),
        // Unread rows are few: every unread query starts from isgot=0.
        QStringLiteral("CREATE INDEX IF NOT EXISTS chat_message_unread ON "
                       "chat_message_table(isgot,recveruid,senderuid,msgtime);"),
    };
}
