// Makes the template chat database that the client copies for every new
// account: the two tables and their indexes, no rows.

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

#include "CKivChatDatabaseSchema.h"

namespace {

bool makeTemplate(const QString& file) {
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    database.setDatabaseName(file);
    if (!database.open()) {
        std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(file),
                     qPrintable(database.lastError().text()));
        return false;
    }
    QSqlQuery query(database);
    const QStringList statements =
        CKivChatDatabaseSchema::tableStatements() + CKivChatDatabaseSchema::indexStatements();
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(statement),
                         qPrintable(query.lastError().text()));
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.db\n", argv[0]);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    QFile::remove(file);
    bool made = makeTemplate(file);
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    if (!made) {
        QFile::remove(file);
    }
    return made ? 0 : 1;
}
