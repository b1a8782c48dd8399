#pragma once

#include <QSqlDatabase>
#include <QString>

// The calling thread's own connection to the chat database. Qt forbids using
// one connection from two threads, so every thread that runs SQL gets its own,
// all open on the same file; SQLite's WAL journal lets them read while another
// writes. The connection is removed when its thread ends.
class CKivSqlThreadConnection {
public:
    ~CKivSqlThreadConnection();

    static CKivSqlThreadConnection& current();

    // The connection, (re)opened on file when it is not open on it yet.
    QSqlDatabase open(const QString& file);
    void release();

private:
    CKivSqlThreadConnection() = default;
    static QString connectionName();

    QString m_name;
    QString m_file;
    QSqlDatabase m_database;
};
