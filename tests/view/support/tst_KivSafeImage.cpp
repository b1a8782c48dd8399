#include <QBuffer>
#include <QImage>
#include <QtTest>

#include "KivTestRegistry.h"
#include "support/KivSafeImage.h"

namespace {

QByteArray Encoded(const char* format) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A 1 x 1 GIF, which Qt reads but does not write.
QByteArray Gif() {
    return QByteArray::fromHex(
        "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");
}

const QByteArray kSvg =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"6\" height=\"4\">"
    "<rect width=\"6\" height=\"4\" fill=\"red\"/></svg>";
const QByteArray kXpm = "/* XPM */\nstatic char *p[] = {\"2 1 1 1\", \". c #ff0000\", \"..\"};\n";

}  // namespace

// Which decoder sees a picture is decided by its first bytes and the kinds
// the caller accepts, not by whichever plug-in claims the bytes.
class tst_KivSafeImage : public QObject {
    Q_OBJECT

private slots:
    void decoderIsChosenByUs_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("head");
        QTest::addColumn<bool>("userPicture");
        QTest::newRow("png") << Encoded("PNG") << true << true;
        QTest::newRow("jpeg") << Encoded("JPEG") << true << true;
        QTest::newRow("bmp") << Encoded("BMP") << false << true;
        QTest::newRow("gif") << Gif() << false << true;
        QTest::newRow("svg") << kSvg << false << false;
        QTest::newRow("xpm") << kXpm << false << false;
        QTest::newRow("ico") << Encoded("ICO") << false << false;
        QTest::newRow("ppm") << Encoded("PPM") << false << false;
    }
    void decoderIsChosenByUs() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, head);
        QFETCH(bool, userPicture);
        // Qt's own guess would decode every one of them.
        QVERIFY(!QImage::fromData(bytes).isNull());
        QString error;
        QCOMPARE(!KivSafeImage::Decode(bytes, &error).isNull(), head);
        QCOMPARE(error.isEmpty(), head);
        error.clear();
        const QImage picked =
            KivSafeImage::Decode(bytes, &error, KivSafeImage::Kinds::UserPictures);
        QCOMPARE(!picked.isNull(), userPicture);
        if (userPicture)
            QVERIFY(picked.width() >= 1);
        else
            QCOMPARE(error, QStringLiteral("无法识别的图片"));
    }

    // A head file is read by what it holds, whatever its name says.
    void nameDoesNotChooseTheDecoder() {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("head.svg"));
        const QString svg = dir.filePath(QStringLiteral("head.png"));
        {
            QFile file(png);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(Encoded("PNG"));
        }
        {
            QFile file(svg);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kSvg);
        }
        QCOMPARE(KivSafeImage::Pixmap(png).size(), QSize(6, 4));
        QVERIFY(KivSafeImage::Pixmap(svg).isNull());
    }
};

KIV_TEST_CLASS(tst_KivSafeImage)
#include "tst_KivSafeImage.moc"
