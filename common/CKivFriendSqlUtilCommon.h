#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <mutex>

// The client's SQLite chat database. One instance per process names the file;
// each thread that runs SQL gets its own connection to that file, so the
// network thread and the user interface may both use it at any time.
class CKivFriendSqlUtilCommon {
public:
    // The shared instance, pointed at databaseFile; the calling thread's
    // connection is (re)opened on it, other threads follow on their next use.
    static CKivFriendSqlUtilCommon* CreateSqlUtil(const QString& databaseFile);
    static void ReleaseSqlUtil();

    // Runs sql on query; a query made for another thread's connection, or for
    // none, is first remade on the calling thread's connection.
    bool sqlUtilExecute(const QString& sql, QSqlQuery& query);
    // Prepares sql and binds values to its placeholders in order, so no value
    // is ever spliced into the statement's text.
    bool sqlUtilExecute(const QString& sql, QSqlQuery& query, const QVariantList& values);

    // A statement prepared once per thread and kept for the next run of the
    // same text (bind and exec it); null when it cannot be prepared.
    QSqlQuery* keptQuery(const QString& sql);

    // The calling thread's connection, open on the current file.
    QSqlDatabase database();
    QString databaseFile() const;

private:
    CKivFriendSqlUtilCommon() = default;
    void adopt(QSqlQuery& query);

    mutable std::mutex m_mutex;
    QString m_file;
};
