#pragma once

#include <QSqlDatabase>
#include <QString>

// One named SQLite connection to the server's database file, used only on the
// thread that opened it. The file is shared by the TCP thread and the HTTP
// thread, each with its own connection: write-ahead logging lets them read
// while the other writes, and the busy timeout makes a writer wait its turn.
class CKivDevDatabase {
public:
    CKivDevDatabase(const QString& path, const QString& connectionName);
    ~CKivDevDatabase();
    CKivDevDatabase(const CKivDevDatabase&) = delete;
    CKivDevDatabase& operator=(const CKivDevDatabase&) = delete;

    // Opens the file; with `createSchema` also creates the tables that are missing.
    bool open(bool createSchema = true);
    const QString& errorText() const { return m_error; }
    QSqlDatabase& db() { return m_db; }

private:
    bool exec(const QString& statement);

    QString m_path;
    QString m_name;
    QSqlDatabase m_db;
    QString m_error;
};
