#pragma once

#include <QCoreApplication>
#include <QDate>
#include <QString>

// What a profile derives from the birthday, and the birthday's own checks.
class KivBirthday {
    Q_DECLARE_TR_FUNCTIONS(KivBirthday)

public:
    // "YYYY-MM-DD" (also with "/" or "." between, or "YYYYMMDD"); invalid when unreadable.
    static QDate Parse(const QString& text);
    static QString Format(const QDate& date);
    static QString StarSign(int month, int day);
    static QString ZodiacAnimal(int year);
    // Whole years on `today`; -1 for a date in the future.
    static int Age(const QDate& birthday, const QDate& today);
    // The age as a profile shows it: empty for "--" or an unreadable birthday.
    static QString AgeText(const QString& birthday);

    // Patterns the edit fields accept: years 1900 to this year, months 01 to
    // 12, and the days of that month (29 February only in leap years).
    static QString YearPattern(int currentYear);
    static QString MonthPattern();
    static QString DayPattern(int year, int month);
};
