#pragma once

#include <QString>
#include <QVariantList>

class QSqlQuery;

// Runs one statement with bound values on the logged-in account's chat
// database; false (logged, or nothing run before an account's database
// exists) when it cannot.
bool KivRunLocalQuery(const QString& sql, const QVariantList& values, QSqlQuery& query);
