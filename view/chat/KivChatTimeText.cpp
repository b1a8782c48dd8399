#include "chat/KivChatTimeText.h"

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

QString KivChatTimeText::Format(const QString& msgtime, const QDateTime& now) {
    const QDateTime time = Parse(msgtime);
    const QDate day = time.date();
    const QDate today = now.date();
    if (day == today) {
        return time.toString(QStringLiteral("hh:mm"));
    }
    if (day.year() == today.year() && day.month() == today.month() &&
        day.day() == today.day() - 1) {
        return QStringLiteral("昨天");
    }
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}
