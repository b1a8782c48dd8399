#pragma once

#include <QDateTime>
#include <QString>

// The time shown on a recent-chat row for the last message's time text.
class KivChatTimeText {
public:
    // "hh:mm" for a message of today, "昨天" for the day before within the
    // same month and year, else the date "yyyy-MM-dd". A missing or malformed
    // time counts as kDefaultTime.
    static QString Format(const QString& msgtime, const QDateTime& now);

    // The stored time, or kDefaultTime when msgtime is not a valid
    // "yyyy-MM-dd hh:mm:ss" text.
    static QDateTime Parse(const QString& msgtime);

    static const char* const kStoredFormat;
    static const char* const kDefaultTime;
};
