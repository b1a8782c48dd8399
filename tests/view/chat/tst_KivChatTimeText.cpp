#include <QtTest>

#include "KivTestRegistry.h"
#include "chat/KivChatTimeText.h"
#include "support/KivTestLanguage.h"

using Language = KivLanguage::Language;
Q_DECLARE_METATYPE(KivLanguage::Language)

class tst_KivChatTimeText : public QObject {
    Q_OBJECT

private slots:
    void format_data() {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("msgtime");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("shown");
        const QString yesterday = QStringLiteral("昨天");
        const QString noon = QStringLiteral("2026-12-15 12:00:00");
        const Language zh = Language::Chinese;
        QTest::newRow("today") << zh << "2026-12-15 08:05:09" << noon << "08:05";
        QTest::newRow("yesterday") << zh << "2026-12-14 23:59:59" << noon << yesterday;
        QTest::newRow("last day of previous month") << zh << "2026-11-30 22:00:00"
                                                    << "2026-12-01 09:00:00"
                                                    << "2026-11-30";
        QTest::newRow("previous year's Dec 31") << zh << "2026-12-31 23:00:00"
                                                << "2027-01-01 08:00:00"
                                                << "2026-12-31";
        QTest::newRow("two days ago") << zh << "2026-12-13 12:00:00" << noon << "2026-12-13";
        QTest::newRow("same day of previous month")
            << zh << "2026-11-15 12:00:00" << noon << "2026-11-15";
        QTest::newRow("day before, a year ago")
            << zh << "2025-12-14 12:00:00" << noon << "2025-12-14";
        QTest::newRow("tomorrow") << zh << "2026-12-16 12:00:00" << noon << "2026-12-16";
        QTest::newRow("empty") << zh << "" << noon << "1990-01-01";
        QTest::newRow("garbage") << zh << "yesterday noon" << noon << "1990-01-01";
        QTest::newRow("one-digit hour") << zh << "2026-12-15 8:05:09" << noon << "1990-01-01";
        QTest::newRow("trailing text") << zh << "2026-12-15 08:05:09x" << noon << "1990-01-01";
        QTest::newRow("impossible date") << zh << "2026-02-31 08:05:09" << noon << "1990-01-01";
        QTest::newRow("impossible time") << zh << "2026-12-15 25:61:00" << noon << "1990-01-01";
        QTest::newRow("malformed on the default day") << zh << "bad"
                                                      << "1990-01-01 18:00:00"
                                                      << "12:00";
        QTest::newRow("malformed the day after") << zh << "bad"
                                                 << "1990-01-02 18:00:00" << yesterday;
        // English spells the month and keeps a 12-hour clock; the rules of
        // which form a time takes stay the same.
        const Language en = Language::English;
        QTest::newRow("en today") << en << "2026-12-15 08:05:09" << noon << "8:05 AM";
        QTest::newRow("en yesterday") << en << "2026-12-14 23:59:59" << noon << "Yesterday";
        QTest::newRow("en two days ago") << en << "2026-12-13 12:00:00" << noon << "Dec 13, 2026";
    }
    void format() {
        QFETCH(Language, language);
        QFETCH(QString, msgtime);
        QFETCH(QString, now);
        QFETCH(QString, shown);
        const KivTestLanguage texts(language);
        QVERIFY(texts.Ready());
        const QDateTime at = QDateTime::fromString(now, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(at.isValid());
        QCOMPARE(KivChatTimeText::Format(msgtime, at), shown);
    }

    // A stored time with its date, as the history search lists it; what is
    // no stored time shows as it is.
    void stamp_data() {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QString>("msgtime");
        QTest::addColumn<QString>("shown");
        const Language zh = Language::Chinese;
        const Language en = Language::English;
        QTest::newRow("zh") << zh << "2026-03-05 08:05:09"
                            << "2026-03-05 08:05:09";
        QTest::newRow("en") << en << "2026-03-05 08:05:09"
                            << "Mar 5, 2026, 8:05:09 AM";
        for (const char* bad : {"", "2026-02-31 08:05:09", "2026-03-05 24:00:00",
                                "2026-03-05T08:05:09", "2026-03-05 08:05:09 ", "天"})
            QTest::addRow("en %s", bad) << en << bad << bad;
    }
    void stamp() {
        QFETCH(Language, language);
        QFETCH(QString, msgtime);
        QFETCH(QString, shown);
        const KivTestLanguage texts(language);
        QVERIFY(texts.Ready());
        QCOMPARE(KivChatTimeText::Stamp(msgtime), shown);
    }
};

KIV_TEST_CLASS(tst_KivChatTimeText)
#include "tst_KivChatTimeText.moc"
