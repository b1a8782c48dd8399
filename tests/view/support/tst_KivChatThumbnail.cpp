#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "KivTestPictures.h"
#include "KivTestRegistry.h"
#include "support/KivChatThumbnail.h"
#include "support/KivSafeImage.h"

namespace {

// A GIF of one pixel on a screen of the given size (Qt reads GIF but does
// not write it); the decoder paints the screen's size.
QByteArray Gif(quint16 width, quint16 height) {
    QByteArray gif = QByteArray::fromHex(
        "47494638396101000100800000000000ffffff21f90401000000002c00000000010001000002024401003b");
    gif[6] = char(width & 0xff);
    gif[7] = char(width >> 8);
    gif[8] = char(height & 0xff);
    gif[9] = char(height >> 8);
    return gif;
}

}  // namespace

// Thumbnails of chat pictures: the file's first bytes, not its name, pick the
// decoder, and only PNG, JPEG and GIF within the caps get one.
class tst_KivChatThumbnail : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile out(path);
        if (out.open(QIODevice::WriteOnly))
            out.write(bytes);
        return path;
    }

private slots:
    void picturesShrinkKeepingTheirShape_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("thumbnail");
        QTest::newRow("wide png") << "a.png" << KivEncodedPicture(QSize(1000, 500), "PNG")
                                  << QSize(240, 120);
        QTest::newRow("tall jpeg")
            << "b.jpg" << KivEncodedPicture(QSize(300, 900), "JPEG") << QSize(80, 240);
        QTest::newRow("gif") << "c.gif" << Gif(480, 240) << QSize(240, 120);
        QTest::newRow("small stays")
            << "d.png" << KivEncodedPicture(QSize(100, 50), "PNG") << QSize(100, 50);
        // A thin strip keeps one pixel across, not an empty picture.
        QTest::newRow("strip") << "e.png" << KivEncodedPicture(QSize(2000, 1), "PNG")
                               << QSize(240, 1);
        // A frame larger than its screen is painted within the screen: the
        // screen is what the caps are checked on.
        QByteArray wideFrame = Gif(1, 1);
        for (const int at : {32, 34}) {
            wideFrame[at] = char(8000 & 0xff);
            wideFrame[at + 1] = char(8000 >> 8);
        }
        QTest::newRow("gif frame beyond its screen") << "g.gif" << wideFrame << QSize(1, 1);
        // The name does not choose: a JPEG named .gif is a JPEG.
        QTest::newRow("jpeg named gif")
            << "f.gif" << KivEncodedPicture(QSize(480, 480), "JPEG") << QSize(240, 240);
    }
    void picturesShrinkKeepingTheirShape() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, thumbnail);
        QString error;
        const QImage image = KivChatThumbnail::Make(file(name, bytes), &error);
        QVERIFY2(!image.isNull(), qPrintable(error));
        QCOMPARE(image.size(), thumbnail);
    }

    void refusedFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QString unknown = QStringLiteral("无法识别的图片");
        QTest::newRow("svg named png")
            << "a.png"
            << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"/>")
            << unknown;
        QTest::newRow("bmp named png")
            << "b.png" << KivEncodedPicture(QSize(8, 8), "BMP") << unknown;
        QTest::newRow("empty") << "c.png" << QByteArray() << QStringLiteral("图片为空");
        QTest::newRow("cut png") << "d.png" << KivEncodedPicture(QSize(64, 64), "PNG").left(20)
                                 << unknown;
        QTest::newRow("png bomb") << "e.png" << KivBombPng() << QStringLiteral("图片尺寸过大");
        QTest::newRow("gif bomb") << "f.gif" << Gif(8000, 8000) << QStringLiteral("图片尺寸过大");
        QByteArray big = KivEncodedPicture(QSize(8, 8), "PNG");
        big.append(QByteArray(int(KivSafeImage::kMaxChatPictureBytes), '\0'));
        QTest::newRow("above 10 MB") << "g.png" << big << QStringLiteral("图片文件过大");
    }
    void refusedFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QString why;
        QVERIFY(KivChatThumbnail::Make(file(name, bytes), &why).isNull());
        QCOMPARE(why, error);
    }

    // Chat pictures take GIF beside PNG and JPEG; heads and head picks keep theirs.
    void kindsByFirstBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("chat");
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("userPicture");
        QTest::newRow("png") << KivEncodedPicture(QSize(2, 2), "PNG") << QByteArray("png")
                             << QByteArray("png") << QByteArray("png");
        QTest::newRow("gif") << Gif(2, 2) << QByteArray("gif") << QByteArray() << QByteArray("gif");
        QTest::newRow("bmp") << KivEncodedPicture(QSize(2, 2), "BMP") << QByteArray()
                             << QByteArray() << QByteArray("bmp");
    }
    void kindsByFirstBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, chat);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, userPicture);
        QCOMPARE(KivSafeImage::FormatOf(bytes, KivSafeImage::Kinds::ChatPictures), chat);
        QCOMPARE(KivSafeImage::FormatOf(bytes, KivSafeImage::Kinds::Heads), head);
        QCOMPARE(KivSafeImage::FormatOf(bytes, KivSafeImage::Kinds::UserPictures), userPicture);
    }
};

KIV_TEST_CLASS(tst_KivChatThumbnail)
#include "tst_KivChatThumbnail.moc"
