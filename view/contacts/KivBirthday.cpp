#include "contacts/KivBirthday.h"

#include <QRegularExpression>
#include <QStringList>

QDate KivBirthday::Parse(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{4})[-/.]?(\\d{1,2})[-/.]?(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return QDate();
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

QString KivBirthday::Format(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QString KivBirthday::StarSign(int month, int day) {
    const int key = month * 100 + day;
    struct Range {
        int from;
        int to;
        const char* name;
    };
    static const Range ranges[] = {
        {321, 419, QT_TR_NOOP("白羊座")},   {420, 520, QT_TR_NOOP("金牛座")},
        {521, 621, QT_TR_NOOP("双子座")},   {622, 722, QT_TR_NOOP("巨蟹座")},
        {723, 822, QT_TR_NOOP("狮子座")},   {823, 922, QT_TR_NOOP("处女座")},
        {923, 1022, QT_TR_NOOP("天秤座")},  {1023, 1122, QT_TR_NOOP("天蝎座")},
        {1123, 1221, QT_TR_NOOP("射手座")}, {1222, 1231, QT_TR_NOOP("魔羯座")},
        {101, 119, QT_TR_NOOP("魔羯座")},   {120, 218, QT_TR_NOOP("水瓶座")},
    };
    for (const Range& range : ranges) {
        if (key >= range.from && key <= range.to)
            return tr(range.name);
    }
    return tr("双鱼座");
}

QString KivBirthday::ZodiacAnimal(int year) {
    static const char* const animals[] = {QT_TR_NOOP("猴"), QT_TR_NOOP("鸡"), QT_TR_NOOP("狗"),
                                          QT_TR_NOOP("猪"), QT_TR_NOOP("鼠"), QT_TR_NOOP("牛"),
                                          QT_TR_NOOP("虎"), QT_TR_NOOP("兔"), QT_TR_NOOP("龙"),
                                          QT_TR_NOOP("蛇"), QT_TR_NOOP("马"), QT_TR_NOOP("羊")};
    return tr(animals[((year % 12) + 12) % 12]);
}

int KivBirthday::Age(const QDate& birthday, const QDate& today) {
    if (!birthday.isValid() || birthday > today)
        return -1;
    int age = today.year() - birthday.year();
    if (today.month() < birthday.month() ||
        (today.month() == birthday.month() && today.day() < birthday.day())) {
        --age;
    }
    return age;
}

QString KivBirthday::AgeText(const QString& birthday) {
    const int age = Age(Parse(birthday), QDate::currentDate());
    return age < 0 ? QString() : QString::number(age);
}

QString KivBirthday::YearPattern(int currentYear) {
    // 1900-1999, 2000 to the decade before this one, then this decade up to this year.
    const int decade = currentYear / 10 % 10;
    QStringList parts = {QStringLiteral("19[0-9]{2}")};
    if (decade > 0)
        parts << QStringLiteral("20[0-%1][0-9]").arg(decade - 1);
    parts << QStringLiteral("20%1[0-%2]").arg(decade).arg(currentYear % 10);
    return parts.join(QLatin1Char('|'));
}

QString KivBirthday::MonthPattern() {
    return QStringLiteral("0[1-9]|10|11|12");
}

QString KivBirthday::DayPattern(int year, int month) {
    const int days = QDate(year, month, 1).isValid() ? QDate(year, month, 1).daysInMonth() : 31;
    switch (days) {
        case 31:
            return QStringLiteral("0[1-9]|1[0-9]|2[0-9]|3[01]");
        case 30:
            return QStringLiteral("0[1-9]|1[0-9]|2[0-9]|30");
        case 29:
            return QStringLiteral("0[1-9]|1[0-9]|2[0-9]");
        default:
            return QStringLiteral("0[1-9]|1[0-9]|2[0-8]");
    }
}
