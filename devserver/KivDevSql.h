#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// Prepares `sql`, binds `values` in order and runs it; a failure is logged and
// gives false. Statements never carry values as text.
bool KivDevExec(QSqlQuery& query, const QString& sql, const QVariantList& values);

// Prepares `sql` on `query` (kept for many runs); a failure is logged.
bool KivDevPrepare(QSqlQuery& query, const QString& sql);
// Runs a prepared query with the values bound since; a failure is logged.
bool KivDevRun(QSqlQuery& query);
