#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

// Times of messages as the interface's language writes them. Chinese keeps
// the digits-only forms ("2026-12-15", "08:05"); English spells the month and
// uses a 12-hour clock ("Dec 15, 2026", "8:05 AM").
class KivChatTimeText {
    Q_DECLARE_TR_FUNCTIONS(KivChatTimeText)
public:
    // The time shown on a recent-chat row for the last message's time text:
    // the clock for a message of today, "昨天" for the day before within the
    // same month and year, else the date. A missing or malformed time counts
    // as kDefaultTime.
    static QString Format(const QString& msgtime, const QDateTime& now);

    // The stored time, or kDefaultTime when msgtime is not a valid
    // "yyyy-MM-dd hh:mm:ss" text.
    static QDateTime Parse(const QString& msgtime);

    static QString Day(const QDate& day);
    // Hours and minutes, and with seconds.
    static QString Clock(const QTime& time);
    static QString ClockWithSeconds(const QTime& time);
    // A stored "yyyy-MM-dd hh:mm:ss" time as date and clock; any other text
    // as it is.
    static QString Stamp(const QString& msgtime);

    static const char* const kStoredFormat;
    static const char* const kDefaultTime;
};
