#include "KivAreaList.h"

#include <QDebug>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

QSqlDatabase Database() {
    const QString name = QStringLiteral("connect1");
    QSqlDatabase db = QSqlDatabase::contains(name)
                          ? QSqlDatabase::database(name, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    if (!db.isOpen()) {
        db.setDatabaseName(QStringLiteral("DB/location_list.db"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (QFileInfo::exists(db.databaseName()) && !db.open())
            qDebug() << "执行失败" << db.lastError().text();
    }
    return db;
}

bool Run(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    QSqlDatabase db = Database();
    if (!db.isOpen())
        return false;
    query = QSqlQuery(db);
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        qDebug() << "执行失败" << query.lastError().text();
        return false;
    }
    return true;
}

QVector<KivAreaList::Entry> Entries(const QString& sql, const QVariantList& values) {
    QVector<KivAreaList::Entry> entries;
    QSqlQuery query;
    if (Run(query, sql, values)) {
        while (query.next())
            entries.append({query.value(0).toInt(), query.value(1).toString()});
    }
    return entries;
}

}  // namespace

void KivAreaList::Open() {
    Database();
}

QVector<KivAreaList::Entry> KivAreaList::Countries() {
    QVector<Entry> countries =
        Entries(QStringLiteral("SELECT _id,name FROM country ORDER BY _id"), {});
    if (countries.isEmpty())
        countries.append({1, QStringLiteral("中国")});
    return countries;
}

QVector<KivAreaList::Entry> KivAreaList::Provinces(int countryId) {
    return Entries(QStringLiteral("SELECT _id,name FROM state where country_id=?"), {countryId});
}

QStringList KivAreaList::Cities(int provinceId) {
    QStringList cities;
    QSqlQuery query;
    if (Run(query, QStringLiteral("SELECT name FROM city where state_id=?"), {provinceId})) {
        while (query.next())
            cities << query.value(0).toString();
    }
    return cities;
}

QStringList KivAreaList::Split(const QString& area) {
    QStringList parts = area.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString country = Countries().first().second;
    if (!parts.isEmpty() && parts.first() == country)
        parts.removeFirst();
    if (parts.size() >= 2)
        return {country, parts.at(0), parts.at(1)};
    if (parts.isEmpty())
        return {country, QString(), QString()};
    const QString one = parts.first();
    for (const Entry& province : Provinces(Countries().first().first)) {
        if (province.second == one)
            return {country, one, QString()};
    }
    QSqlQuery query;
    if (Run(query,
            QStringLiteral("SELECT state.name FROM city JOIN state ON city.state_id=state._id "
                           "WHERE city.name=? LIMIT 1"),
            {one}) &&
        query.next()) {
        return {country, query.value(0).toString(), one};
    }
    return {country, QString(), one};
}

QString KivAreaList::Join(const QString& country, const QString& province, const QString& city) {
    QStringList parts;
    for (const QString& part : {country, province, city}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QLatin1Char(' '));
}
