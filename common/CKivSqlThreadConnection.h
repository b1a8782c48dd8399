#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <memory>

class QSqlQuery;

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
    // A statement kept prepared on this connection for the next run of the
    // same text; null when it cannot be prepared. Valid until the connection
    // is reopened or released.
    QSqlQuery* kept(const QString& sql);
    void release();

private:
    CKivSqlThreadConnection() = default;
    static QString connectionName();

    QString m_name;
    QString m_file;
    QSqlDatabase m_database;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_kept;
};
