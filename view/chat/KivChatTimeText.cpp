#include "chat/KivChatTimeText.h"

#include <QLocale>
#include <QRegularExpression>

const char* const KivChatTimeText::kStoredFormat = "yyyy-MM-dd hh:mm:ss";
const char* const KivChatTimeText::kDefaultTime = "1990-01-01 12:00:00";

QDateTime KivChatTimeText::Parse(const QString& msgtime) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\d{4}[-]\\d{2}[-]\\d{2}\\s\\d{2}[:]\\d{2}[:]\\d{2}$"));
    const QString format = QString::fromLatin1(kStoredFormat);
    if (pattern.match(msgtime).hasMatch()) {
        // The pattern lets through impossible dates such as "2026-02-31".
        const QDateTime time = QDateTime::fromString(msgtime, format);
        if (time.isValid()) {
            return time;
        }
    }
    return QDateTime::fromString(QString::fromLatin1(kDefaultTime), format);
}

QString KivChatTimeText::Day(const QDate& day) {
    // The formats are texts of their own: each language writes dates its way.
    //: A date format (QDate::toString), e.g. "MMM d, yyyy".
    return QLocale().toString(day, tr("yyyy-MM-dd"));
}

QString KivChatTimeText::Clock(const QTime& time) {
    //: A time format (QTime::toString), e.g. "h:mm AP".
    return QLocale().toString(time, tr("HH:mm"));
}

QString KivChatTimeText::ClockWithSeconds(const QTime& time) {
    //: A time format (QTime::toString), e.g. "h:mm:ss AP".
    return QLocale().toString(time, tr("HH:mm:ss"));
}

QString KivChatTimeText::Stamp(const QString& msgtime) {
    // Date and clock apart: a wall-clock time never falls into a time zone's gap.
    const QDate day = msgtime.size() == 19 && msgtime[10] == QLatin1Char(' ')
                          ? QDate::fromString(msgtime.left(10), QStringLiteral("yyyy-MM-dd"))
                          : QDate();
    const QTime clock = QTime::fromString(msgtime.mid(11), QStringLiteral("hh:mm:ss"));
    if (!day.isValid() || !clock.isValid())
        return msgtime;
    //: A date and a clock time, as Day and ClockWithSeconds write them.
    return tr("%1 %2").arg(Day(day), ClockWithSeconds(clock));
}

QString KivChatTimeText::Format(const QString& msgtime, const QDateTime& now) {
    const QDateTime time = Parse(msgtime);
    const QDate day = time.date();
    const QDate today = now.date();
    if (day == today) {
        return Clock(time.time());
    }
    if (day.year() == today.year() && day.month() == today.month() &&
        day.day() == today.day() - 1) {
        return tr("昨天");
    }
    return Day(day);
}
