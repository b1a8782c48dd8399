#include <QtTest>

#include "KivTestRegistry.h"
#include "chat/KivChatTimeText.h"

class tst_KivChatTimeText : public QObject {
    Q_OBJECT

private slots:
    void format_data() {
        QTest::addColumn<QString>("msgtime");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("shown");
        const QString yesterday = QStringLiteral("昨天");
        const QString noon = QStringLiteral("2026-12-15 12:00:00");
        QTest::newRow("today") << "2026-12-15 08:05:09" << noon << "08:05";
        QTest::newRow("yesterday") << "2026-12-14 23:59:59" << noon << yesterday;
        QTest::newRow("last day of previous month") << "2026-11-30 22:00:00"
                                                    << "2026-12-01 09:00:00"
                                                    << "2026-11-30";
        QTest::newRow("previous year's Dec 31") << "2026-12-31 23:00:00"
                                                << "2027-01-01 08:00:00"
                                                << "2026-12-31";
        QTest::newRow("two days ago") << "2026-12-13 12:00:00" << noon << "2026-12-13";
        QTest::newRow("same day of previous month")
            << "2026-11-15 12:00:00" << noon << "2026-11-15";
        QTest::newRow("day before, a year ago") << "2025-12-14 12:00:00" << noon << "2025-12-14";
        QTest::newRow("tomorrow") << "2026-12-16 12:00:00" << noon << "2026-12-16";
        QTest::newRow("empty") << "" << noon << "1990-01-01";
        QTest::newRow("garbage") << "yesterday noon" << noon << "1990-01-01";
        QTest::newRow("one-digit hour") << "2026-12-15 8:05:09" << noon << "1990-01-01";
        QTest::newRow("trailing text") << "2026-12-15 08:05:09x" << noon << "1990-01-01";
        QTest::newRow("impossible date") << "2026-02-31 08:05:09" << noon << "1990-01-01";
        QTest::newRow("impossible time") << "2026-12-15 25:61:00" << noon << "1990-01-01";
        QTest::newRow("malformed on the default day") << "bad"
                                                      << "1990-01-01 18:00:00"
                                                      << "12:00";
        QTest::newRow("malformed the day after") << "bad"
                                                 << "1990-01-02 18:00:00" << yesterday;
    }
    void format() {
        QFETCH(QString, msgtime);
        QFETCH(QString, now);
        QFETCH(QString, shown);
        const QDateTime at = QDateTime::fromString(now, QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        QVERIFY(at.isValid());
        QCOMPARE(KivChatTimeText::Format(msgtime, at), shown);
    }
};

KIV_TEST_CLASS(tst_KivChatTimeText)
#include "tst_KivChatTimeText.moc"
