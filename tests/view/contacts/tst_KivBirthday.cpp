#include <QRegularExpression>
#include <QtTest>

#include "KivTestRegistry.h"
#include "contacts/KivBirthday.h"
#include "support/KivSafeImage.h"

namespace {

bool Accepts(const QString& pattern, const QString& text) {
    return QRegularExpression(QStringLiteral("^(?:%1)$").arg(pattern)).match(text).hasMatch();
}

}  // namespace

class tst_KivBirthday : public QObject {
    Q_OBJECT
private slots:
    void starSigns_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("sign");
        QTest::newRow("21 March") << 3 << 21 << "白羊座";
        QTest::newRow("20 March") << 3 << 20 << "双鱼座";
        QTest::newRow("19 January") << 1 << 19 << "魔羯座";
        QTest::newRow("20 January") << 1 << 20 << "水瓶座";
        QTest::newRow("18 February") << 2 << 18 << "水瓶座";
        QTest::newRow("19 February") << 2 << 19 << "双鱼座";
        QTest::newRow("22 December") << 12 << 22 << "魔羯座";
        QTest::newRow("21 December") << 12 << 21 << "射手座";
        QTest::newRow("23 August") << 8 << 23 << "处女座";
    }
    void starSigns() {
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(QString, sign);
        QCOMPARE(KivBirthday::StarSign(month, day), sign);
    }

    void zodiacAnimals_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("animal");
        QTest::newRow("2016") << 2016 << "猴";
        QTest::newRow("2015") << 2015 << "羊";
        QTest::newRow("1990") << 1990 << "马";
        QTest::newRow("1900") << 1900 << "鼠";
    }
    void zodiacAnimals() {
        QFETCH(int, year);
        QFETCH(QString, animal);
        QCOMPARE(KivBirthday::ZodiacAnimal(year), animal);
    }

    void ageTurnsOnTheBirthday() {
        const QDate born(2000, 2, 29);
        QCOMPARE(KivBirthday::Age(born, QDate(2016, 2, 28)), 15);
        QCOMPARE(KivBirthday::Age(born, QDate(2016, 2, 29)), 16);
        QCOMPARE(KivBirthday::Age(QDate(1990, 6, 1), QDate(2020, 5, 31)), 29);
        QCOMPARE(KivBirthday::Age(QDate(1990, 6, 1), QDate(2020, 6, 1)), 30);
        QCOMPARE(KivBirthday::Age(QDate(2030, 1, 1), QDate(2020, 1, 1)), -1);
        QCOMPARE(KivBirthday::AgeText(QStringLiteral("--")), QString());
        QCOMPARE(KivBirthday::Parse(QStringLiteral("1992-05-12")), QDate(1992, 5, 12));
        QCOMPARE(KivBirthday::Parse(QStringLiteral("19920512")), QDate(1992, 5, 12));
        QVERIFY(!KivBirthday::Parse(QStringLiteral("1992-02-30")).isValid());
    }

    void yearsFrom1900ToThisYear() {
        const QString pattern = KivBirthday::YearPattern(2026);
        for (const char* year : {"1900", "1999", "2000", "2009", "2010", "2015", "2019", "2026"})
            QVERIFY2(Accepts(pattern, QString::fromLatin1(year)), year);
        for (const char* year : {"1899", "2027", "2030", "2099", "201", "[201"})
            QVERIFY2(!Accepts(pattern, QString::fromLatin1(year)), year);
        QVERIFY(Accepts(KivBirthday::YearPattern(2000), QStringLiteral("2000")));
        QVERIFY(!Accepts(KivBirthday::YearPattern(2000), QStringLiteral("2001")));
    }

    void daysFollowTheMonthAndLeapYears_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("29 Feb 2016") << 2016 << 2 << "29" << true;
        QTest::newRow("29 Feb 2015") << 2015 << 2 << "29" << false;
        QTest::newRow("29 Feb 2000") << 2000 << 2 << "29" << true;
        QTest::newRow("29 Feb 1900") << 1900 << 2 << "29" << false;
        QTest::newRow("28 Feb 2015") << 2015 << 2 << "28" << true;
        QTest::newRow("31 April") << 2015 << 4 << "31" << false;
        QTest::newRow("30 April") << 2015 << 4 << "30" << true;
        QTest::newRow("31 December") << 2015 << 12 << "31" << true;
        QTest::newRow("day 00") << 2015 << 1 << "00" << false;
    }
    void daysFollowTheMonthAndLeapYears() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, day);
        QFETCH(bool, accepted);
        QCOMPARE(Accepts(KivBirthday::DayPattern(year, month), day), accepted);
    }

    void suspiciousPicturesAreRefusedBeforeDecoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        auto png = [](int width, int height) {
            QImage image(width, height, QImage::Format_Mono);
            image.fill(0);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes;
        };
        QTest::newRow("too wide") << png(13000, 2) << "图片尺寸过大";
        QTest::newRow("too many pixels") << png(7000, 7000) << "图片尺寸过大";
        QTest::newRow("too many bytes")
            << QByteArray(int(KivSafeImage::kMaxFileBytes) + 1, 'x') << "图片文件过大";
        QTest::newRow("not a picture") << QByteArray("GIF89a but not really") << "无法识别的图片";
        QTest::newRow("empty") << QByteArray() << "图片为空";
        QTest::newRow("fine") << png(300, 200) << "";
    }
    void suspiciousPicturesAreRefusedBeforeDecoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QString got;
        const QImage image = KivSafeImage::Decode(bytes, &got);
        QCOMPARE(got, error);
        QCOMPARE(image.isNull(), !error.isEmpty());
    }

    void aFailedStoreKeepsTheOldPicture() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("head.png"));
        QImage good(4, 4, QImage::Format_RGB32);
        good.fill(Qt::red);
        QVERIFY(KivSafeImage::StorePng(good, path));
        QVERIFY(!KivSafeImage::StorePng(QImage(), path));
        QCOMPARE(QImage(path).pixelColor(0, 0), QColor(Qt::red));
    }
};

KIV_TEST_CLASS(tst_KivBirthday)
#include "tst_KivBirthday.moc"
