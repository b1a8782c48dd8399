#pragma once

#include <QStringList>

// The statements that make a chat database: the two tables exactly as every
// client has always created them, the outbox of messages not sent yet, and
// the indexes that the history and unread
// queries need (created only where missing, so old files gain them).
class CKivChatDatabaseSchema {
public:
    static QStringList tableStatements();
    // What brings a file of an older client up to date, given the columns its
    // outbox has (none when it has no outbox yet).
    static QStringList upgradeStatements(const QStringList& outboxColumns);
    static QStringList indexStatements();
};
