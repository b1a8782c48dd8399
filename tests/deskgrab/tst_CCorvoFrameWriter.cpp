#include <QtTest>
#include <cstring>
#include <vector>

#include "CCorvoCursorOverlay.h"
#include "CCorvoFrameWriter.h"
#include "CCorvoImage.h"
#include "KivTestRegistry.h"

namespace {

void SetPixel(CCorvoImage& image, int x, int y, int r, int g, int b) {
    std::uint8_t* pixel = image.Row(y) + 4 * x;
    pixel[0] = static_cast<std::uint8_t>(b);
    pixel[1] = static_cast<std::uint8_t>(g);
    pixel[2] = static_cast<std::uint8_t>(r);
}

QColor PixelOf(CCorvoImage& image, int x, int y) {
    const std::uint8_t* pixel = image.Row(y) + 4 * x;
    return QColor(pixel[2], pixel[1], pixel[0]);
}

// Each pixel encodes its own position.
CCorvoImage Positions(int width, int height) {
    CCorvoImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            SetPixel(image, x, y, x, y, 7);
        }
    }
    return image;
}

// An outgoing frame with padded rows and its own memory.
struct Frame {
    Frame(CorvoPixelFormat format, int width, int height, int bytesPerPixel, std::uint8_t fill = 0)
        : stride(width * bytesPerPixel + 8),
          pixels(static_cast<size_t>(stride) * height, fill),
          palette(1024, fill) {
        target.format = format;
        target.width = width;
        target.height = height;
        target.planes[0] = pixels.data();
        target.strides[0] = stride;
        target.planes[1] = palette.data();
        target.strides[1] = 4;
    }

    const std::uint8_t* At(int x, int y, int bytesPerPixel) const {
        return pixels.data() + static_cast<size_t>(y) * stride + x * bytesPerPixel;
    }

    int stride;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> palette;
    CorvoFrameTarget target;
};

}  // namespace

class TestFrameWriter : public QObject {
    Q_OBJECT

private slots:
    void packsEveryLayout_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bytesPerPixel");
        QTest::addColumn<QByteArray>("expected");
        // The colour (r 0xf8, g 0x84, b 0x10).
        QTest::newRow("32-bit") << int(CorvoPixelFormat::Rgb32) << 4
                                << QByteArray("\x10\x84\xf8", 3);
        QTest::newRow("24-bit") << int(CorvoPixelFormat::Rgb24) << 3
                                << QByteArray("\x10\x84\xf8", 3);
        // 11111 100001 00010 and 11111 10000 00010, little-endian.
        QTest::newRow("565") << int(CorvoPixelFormat::Rgb565) << 2 << QByteArray("\x22\xfc", 2);
        QTest::newRow("555") << int(CorvoPixelFormat::Rgb555) << 2 << QByteArray("\x02\x7e", 2);
        // Cube levels 5, 3 and 0 (rounded fifths of 255): 5 * 36 + 3 * 6 + 0.
        QTest::newRow("8-bit") << int(CorvoPixelFormat::Rgb8) << 1
                               << QByteArray(1, static_cast<char>(198));
    }

    void packsEveryLayout() {
        QFETCH(int, format);
        QFETCH(int, bytesPerPixel);
        QFETCH(QByteArray, expected);
        CCorvoImage picture(3, 2);
        SetPixel(picture, 2, 1, 0xf8, 0x84, 0x10);
        Frame frame(static_cast<CorvoPixelFormat>(format), 3, 2, bytesPerPixel);
        CCorvoFrameWriter::Convert(picture.View(), frame.target);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(frame.At(2, 1, bytesPerPixel)),
                            expected.size()),
                 expected);
    }

    void eightBitPaletteMatchesTheIndices() {
        CCorvoImage picture(1, 1);
        SetPixel(picture, 0, 0, 0xf8, 0x84, 0x10);
        Frame frame(CorvoPixelFormat::Rgb8, 1, 1, 1);
        CCorvoFrameWriter::Convert(picture.View(), frame.target);
        quint32 entry = 0;
        std::memcpy(&entry, frame.palette.data() + 4 * frame.pixels[0], 4);
        QCOMPARE(entry, 0xffff9900u);
    }

    void scalingPicksTheNearestSourcePixels() {
        const CCorvoImage picture = Positions(400, 300);
        CCorvoImage scaled(640, 480);
        CorvoFrameTarget target;
        target.width = 640;
        target.height = 480;
        target.planes[0] = scaled.Row(0);
        target.strides[0] = scaled.Stride();
        CCorvoFrameWriter::ConvertScaled(picture.View(), target);
        QCOMPARE(PixelOf(scaled, 0, 0), QColor(0, 0, 7));
        QCOMPARE(PixelOf(scaled, 639, 479), QColor(399 & 0xff, 299 & 0xff, 7));
        QCOMPARE(PixelOf(scaled, 320, 240), QColor(200, 150, 7));
        // Shrinking works the same way.
        CCorvoImage small(100, 75);
        target.width = 100;
        target.height = 75;
        target.planes[0] = small.Row(0);
        target.strides[0] = small.Stride();
        CCorvoFrameWriter::ConvertScaled(picture.View(), target);
        QCOMPARE(PixelOf(small, 50, 25), QColor(200, 100, 7));
    }

    void aroundLeavesTheCentredAreaAlone_data() {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bytesPerPixel");
        QTest::newRow("32-bit") << int(CorvoPixelFormat::Rgb32) << 4;
        QTest::newRow("24-bit") << int(CorvoPixelFormat::Rgb24) << 3;
        QTest::newRow("16-bit") << int(CorvoPixelFormat::Rgb565) << 2;
        QTest::newRow("8-bit") << int(CorvoPixelFormat::Rgb8) << 1;
    }

    void aroundLeavesTheCentredAreaAlone() {
        QFETCH(int, format);
        QFETCH(int, bytesPerPixel);
        CCorvoImage picture(20, 10);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 20; ++x) {
                SetPixel(picture, x, y, 0, 0, 0);
            }
        }
        Frame frame(static_cast<CorvoPixelFormat>(format), 20, 10, bytesPerPixel, 0xab);
        CCorvoFrameWriter::ConvertAround(picture.View(), frame.target, 8, 4);
        // The area is columns 6..13, rows 3..6.
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 20; ++x) {
                const bool inside = x >= 6 && x < 14 && y >= 3 && y < 7;
                QCOMPARE(int(*frame.At(x, y, bytesPerPixel)), inside ? 0xab : 0);
            }
        }
        // Row padding is never written.
        QCOMPARE(int(frame.pixels[static_cast<size_t>(frame.stride) - 1]), 0xab);
    }

    void blackClearsOnlyThePixels() {
        Frame frame(CorvoPixelFormat::Rgb24, 5, 3, 3, 0x55);
        CCorvoFrameWriter::FillBlack(frame.target);
        QCOMPARE(int(*frame.At(4, 2, 3)), 0);
        QCOMPARE(int(frame.pixels[static_cast<size_t>(frame.stride) - 1]), 0x55);
    }

    void cursorBlendsWithItsAlpha() {
        CCorvoImage picture(4, 4);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                SetPixel(picture, x, y, 100, 100, 100);
            }
        }
        // Opaque white, transparent, and half-covering black (premultiplied).
        const std::uint32_t cursor[3] = {0xffffffffu, 0x00000000u, 0x80000000u};
        CCorvoCursorOverlay::Blend(picture.Row(0), 4, 4, picture.Stride(), cursor, 3, 1, 1, 2);
        QCOMPARE(PixelOf(picture, 1, 2), QColor(255, 255, 255));
        QCOMPARE(PixelOf(picture, 2, 2), QColor(100, 100, 100));
        QCOMPARE(PixelOf(picture, 3, 2), QColor(50, 50, 50));
    }

    void cursorIsClippedAtEveryEdge_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("above left") << -2 << -2;
        QTest::newRow("below right") << 3 << 3;
        QTest::newRow("far outside") << 100 << -100;
    }

    void cursorIsClippedAtEveryEdge() {
        QFETCH(int, x);
        QFETCH(int, y);
        CCorvoImage picture(4, 4);
        const std::vector<std::uint32_t> cursor(9, 0xffffffffu);
        CCorvoCursorOverlay::Blend(picture.Row(0), 4, 4, picture.Stride(), cursor.data(), 3, 3, x,
                                   y);
        int white = 0;
        for (int py = 0; py < 4; ++py) {
            for (int px = 0; px < 4; ++px) {
                const bool covered = px >= x && px < x + 3 && py >= y && py < y + 3;
                QCOMPARE(PixelOf(picture, px, py) == QColor(255, 255, 255), covered);
                white += covered ? 1 : 0;
            }
        }
        QVERIFY(white <= 9);
    }
};

KIV_TEST_CLASS(TestFrameWriter)
#include "tst_CCorvoFrameWriter.moc"
