#pragma once

#include <QPair>
#include <QStringList>
#include <QVector>

// The area choice of a profile: countries, their provinces and cities, read
// from the area database "DB/location_list.db".
class KivAreaList {
public:
    using Entry = QPair<int, QString>;  // _id, name

    // Opens the database once, read-only: a missing file stays missing
    // instead of appearing empty. The queries open it themselves if needed.
    static void Open();

    static QVector<Entry> Countries();
    static QVector<Entry> Provinces(int countryId);
    static QStringList Cities(int provinceId);
    // The parts of a stored area text ("中国 广东 深圳", or a lone province
    // or city name): {country, province, city}, empty where unknown.
    static QStringList Split(const QString& area);
    static QString Join(const QString& country, const QString& province, const QString& city);
};
