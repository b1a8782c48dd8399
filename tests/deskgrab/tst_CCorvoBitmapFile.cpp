#include <QBuffer>
#include <QImage>
#include <QtTest>

#include "CCorvoBitmapFile.h"
#include "KivTestRegistry.h"

namespace {

// Every pixel of the test picture has its own colour, so any mix-up of
// rows, columns or channels shows.
QColor PatternColour(int x, int y) {
    return QColor((x * 37) & 0xff, (y * 53) & 0xff, (x * 11 + y * 7) & 0xff);
}

QImage Pattern(int width, int height, QImage::Format format) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixelColor(x, y, PatternColour(x, y));
        }
    }
    return picture.convertToFormat(format);
}

QByteArray BmpBytes(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes;
}

bool Decode(const QByteArray& bytes, CCorvoImage* image, std::string* error) {
    return CCorvoBitmapFile::Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    static_cast<std::size_t>(bytes.size()), image, error);
}

QColor ColourAt(CCorvoImage& image, int x, int y) {
    const std::uint8_t* pixel = image.Row(y) + 4 * x;
    return QColor(pixel[2], pixel[1], pixel[0]);
}

void PutU32(QByteArray* bytes, int at, quint32 value) {
    for (int i = 0; i < 4; ++i) {
        (*bytes)[at + i] = static_cast<char>(value >> (8 * i) & 0xff);
    }
}

// A 24-bit file written by hand: 3 x 2 pixels, rows top-down when asked.
QByteArray HandMade(bool topDown) {
    QByteArray bytes(14 + 40, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    const int stride = 12;
    PutU32(&bytes, 2, 14 + 40 + 2 * stride);
    PutU32(&bytes, 10, 14 + 40);
    PutU32(&bytes, 14, 40);
    PutU32(&bytes, 18, 3);
    PutU32(&bytes, 22, topDown ? static_cast<quint32>(-2) : 2u);
    bytes[26] = 1;
    bytes[28] = 24;
    // File rows: first row red pixels, second row blue pixels (B, G, R).
    const QByteArray red("\x00\x00\xff\x00\x00\xff\x00\x00\xff\x00\x00\x00", stride);
    const QByteArray blue("\xff\x00\x00\xff\x00\x00\xff\x00\x00\x00\x00\x00", stride);
    return bytes + red + blue;
}

}  // namespace

class TestBitmapFile : public QObject {
    Q_OBJECT

private slots:
    void readsEveryDepthTheRightWayUp_data() {
        QTest::addColumn<int>("format");
        QTest::newRow("24-bit") << int(QImage::Format_RGB888);
        QTest::newRow("32-bit") << int(QImage::Format_RGB32);
        QTest::newRow("32-bit with alpha") << int(QImage::Format_ARGB32);
    }

    void readsEveryDepthTheRightWayUp() {
        QFETCH(int, format);
        const QImage picture = Pattern(13, 7, static_cast<QImage::Format>(format));
        CCorvoImage image;
        std::string error;
        QVERIFY2(Decode(BmpBytes(picture), &image, &error), error.c_str());
        QCOMPARE(image.Width(), 13);
        QCOMPARE(image.Height(), 7);
        for (int y = 0; y < 7; ++y) {
            for (int x = 0; x < 13; ++x) {
                QCOMPARE(ColourAt(image, x, y), PatternColour(x, y));
            }
        }
    }

    void readsPaletteBitmaps_data() {
        QTest::addColumn<int>("colours");
        QTest::addColumn<int>("bits");
        QTest::newRow("2 colours") << 2 << 1;
        QTest::newRow("3 colours") << 3 << 4;
        QTest::newRow("200 colours") << 200 << 8;
    }

    void readsPaletteBitmaps() {
        QFETCH(int, colours);
        QFETCH(int, bits);
        QVector<QRgb> table;
        for (int i = 0; i < colours; ++i) {
            table.append(qRgb(i, 255 - i, (i * 7) & 0xff));
        }
        // Odd sizes put pixels in the middle of bytes and rows with padding.
        QImage picture(13, 5, bits == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        picture.setColorTable(table);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 13; ++x) {
                picture.setPixel(x, y, static_cast<uint>((x * 3 + y) % colours));
            }
        }
        const QByteArray bytes = BmpBytes(picture);
        QCOMPARE(int(static_cast<uchar>(bytes[28])), bits);
        CCorvoImage image;
        std::string error;
        QVERIFY2(Decode(bytes, &image, &error), error.c_str());
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 13; ++x) {
                QCOMPARE(ColourAt(image, x, y), QColor(table[(x * 3 + y) % colours]));
            }
        }
    }

    void honoursTheRowOrder_data() {
        QTest::addColumn<bool>("topDown");
        QTest::addColumn<QColor>("firstRow");
        QTest::newRow("bottom-up") << false << QColor(0, 0, 255);
        QTest::newRow("top-down") << true << QColor(255, 0, 0);
    }

    void honoursTheRowOrder() {
        QFETCH(bool, topDown);
        QFETCH(QColor, firstRow);
        CCorvoImage image;
        std::string error;
        QVERIFY2(Decode(HandMade(topDown), &image, &error), error.c_str());
        QCOMPARE(ColourAt(image, 2, 0), firstRow);
    }

    void damagedFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = HandMade(false);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not BM") << QByteArray("PK").append(good.mid(2));
        QTest::newRow("pixels cut short") << good.left(good.size() - 1);
        QByteArray offset = good;
        PutU32(&offset, 10, 0xfffffff0u);
        QTest::newRow("pixel offset beyond the file") << offset;
        QByteArray header = good;
        PutU32(&header, 14, 0x7fffffffu);
        QTest::newRow("header larger than the file") << header;
        QByteArray zeroWidth = good;
        PutU32(&zeroWidth, 18, 0);
        QTest::newRow("zero width") << zeroWidth;
        QByteArray huge = good;
        PutU32(&huge, 18, 100000);
        QTest::newRow("huge width") << huge;
        QByteArray minHeight = good;
        PutU32(&minHeight, 22, 0x80000000u);
        QTest::newRow("most negative height") << minHeight;
        QByteArray rle = good;
        PutU32(&rle, 30, 1);
        QTest::newRow("run-length compressed") << rle;
        QByteArray sixteen = good;
        sixteen[28] = 16;
        QTest::newRow("16-bit") << sixteen;
        QByteArray palette = good;
        palette[28] = 8;
        PutU32(&palette, 46, 100000);
        QTest::newRow("palette larger than allowed") << palette;
    }

    void damagedFilesAreRefused() {
        QFETCH(QByteArray, bytes);
        CCorvoImage image;
        std::string error;
        QVERIFY(!Decode(bytes, &image, &error));
        QVERIFY(!error.empty());
    }

    void missingFileIsRefused() {
        CCorvoImage image;
        std::string error;
        QVERIFY(!CCorvoBitmapFile::Load("/nonexistent/picture.bmp", &image, &error));
        QVERIFY(!error.empty());
    }
};

KIV_TEST_CLASS(TestBitmapFile)
#include "tst_CCorvoBitmapFile.moc"
