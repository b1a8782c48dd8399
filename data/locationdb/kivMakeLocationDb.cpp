// Builds the area database "DB/location_list.db" from the province and city
// table kept in the repository: tables country, state (provinces) and city.
#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTextStream>
#include <QVariant>

#include <cstdio>

namespace {

bool Run(QSqlQuery& query, const QString& sql, const QVariantList& values = {}) {
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (query.exec())
        return true;
    std::fprintf(stderr, "kivMakeLocationDb: %s\n", qPrintable(query.lastError().text()));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kivMakeLocationDb <table.tsv> <location_list.db>\n");
        return 2;
    }
    QFile table(QString::fromLocal8Bit(argv[1]));
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "kivMakeLocationDb: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString target = QString::fromLocal8Bit(argv[2]);
    QFile::remove(target);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(target);
        if (!db.open())
            return 1;
        QSqlQuery query(db);
        ok = db.transaction() &&
             Run(query,
                 QStringLiteral("CREATE TABLE country(_id INTEGER PRIMARY KEY, name TEXT)")) &&
             Run(query, QStringLiteral("CREATE TABLE state(_id INTEGER PRIMARY KEY, name TEXT, "
                                       "country_id INTEGER)")) &&
             Run(query, QStringLiteral("CREATE TABLE city(_id INTEGER PRIMARY KEY, name TEXT, "
                                       "state_id INTEGER)")) &&
             Run(query, QStringLiteral("CREATE INDEX state_country ON state(country_id)")) &&
             Run(query, QStringLiteral("CREATE INDEX city_state ON city(state_id)")) &&
             Run(query, QStringLiteral("INSERT INTO country VALUES(1, ?)"),
                 {QStringLiteral("中国")});
        QTextStream in(&table);
        in.setCodec("UTF-8");
        int state = 0;
        while (ok && !in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (parts.size() != 2) {
                std::fprintf(stderr, "kivMakeLocationDb: bad line: %s\n", qPrintable(line));
                ok = false;
                break;
            }
            ++state;
            ok = Run(query, QStringLiteral("INSERT INTO state VALUES(?, ?, 1)"), {state, parts[0]});
            for (const QString& city : parts[1].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                ok = ok &&
                     Run(query, QStringLiteral("INSERT INTO city(name, state_id) VALUES(?, ?)"),
                         {city.trimmed(), state});
            }
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QSqlDatabase::defaultConnection);
    if (!ok)
        QFile::remove(target);
    return ok ? 0 : 1;
}
