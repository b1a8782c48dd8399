#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "ArtCatalog.h"
#include "ArtIcons.h"
#include "ArtPath.h"
#include "KivTestRegistry.h"

Q_DECLARE_METATYPE(ArtIcon)

namespace {

// The rectangle holding every pixel with some alpha; null when there is none.
QRect inkBounds(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QRect bounds;
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) > 8)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}

QImage canvas(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

// The pieces of the picture generator whose contracts the pictures rely on.
class tst_KivArtGen : public QObject {
    Q_OBJECT

private slots:
    void pathText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QPointF>("end");
        QTest::addColumn<int>("elements");
        QTest::newRow("lines") << "M 1 2 L 5 2 L 5 7" << QRectF(1, 2, 4, 5) << QPointF(5, 7) << 3;
        // H and V keep the other coordinate of the current point.
        QTest::newRow("horizontal and vertical")
            << "M 1 2 H 5 V 7 H 3" << QRectF(1, 2, 4, 5) << QPointF(3, 7) << 4;
        QTest::newRow("commas and decimals")
            << "M 0.5,1.5 L -2.5,4" << QRectF(-2.5, 1.5, 3, 2.5) << QPointF(-2.5, 4) << 2;
        QTest::newRow("closed, then a new figure") << "M 0 0 L 4 0 L 4 4 Z M 10 10 L 12 12"
                                                   << QRectF(0, 0, 12, 12) << QPointF(12, 12) << 6;
        QTest::newRow("cubic") << "M 0 0 C 0 4 4 4 4 0" << QRectF(0, 0, 4, 3) << QPointF(4, 0) << 4;
        QTest::newRow("quadratic") << "M 0 0 Q 2 4 4 0" << QRectF(0, 0, 4, 2) << QPointF(4, 0) << 4;
    }
    void pathText() {
        QFETCH(QString, text);
        QFETCH(QRectF, bounds);
        QFETCH(QPointF, end);
        QFETCH(int, elements);
        const QByteArray latin = text.toLatin1();
        const QPainterPath path = ArtPath::parse(latin.constData());
        QCOMPARE(path.elementCount(), elements);
        QCOMPARE(path.currentPosition(), end);
        const QRectF got = path.boundingRect();
        QVERIFY2(qAbs(got.left() - bounds.left()) < 0.01 && qAbs(got.top() - bounds.top()) < 0.01 &&
                     qAbs(got.width() - bounds.width()) < 0.01 &&
                     qAbs(got.height() - bounds.height()) < 0.01,
                 qPrintable(QStringLiteral("%1 %2 %3 %4")
                                .arg(got.left())
                                .arg(got.top())
                                .arg(got.width())
                                .arg(got.height())));
    }

    // The @2x file is drawn at twice the resolution: a one-pixel line of the
    // 1x picture is two pixels in the twin, not a blurred enlargement.
    void twinIsDrawnNotEnlarged() {
        QTemporaryDir root;
        ArtCatalog catalog;
        catalog.add(QStringLiteral("f/line.png"), QSize(10, 6),
                    [](QPainter& p, const QSizeF&) { p.fillRect(QRectF(0, 2, 10, 1), Qt::black); });
        QCOMPARE(catalog.fileCount(), 2);
        QString error;
        QVERIFY(catalog.writeAll(root.path(), &error));
        const QImage one(root.filePath(QStringLiteral("f/line.png")));
        const QImage two(root.filePath(QStringLiteral("f/line@2x.png")));
        QCOMPARE(one.size(), QSize(10, 6));
        QCOMPARE(two.size(), QSize(20, 12));
        QCOMPARE(inkBounds(one), QRect(0, 2, 10, 1));
        QCOMPARE(inkBounds(two), QRect(0, 4, 20, 2));
        QCOMPARE(qAlpha(two.pixel(5, 4)), 255);
        QCOMPARE(qAlpha(two.pixel(5, 5)), 255);
    }

    void singlePictureHasNoTwin() {
        QTemporaryDir root;
        ArtCatalog catalog;
        catalog.addSingle(QStringLiteral("image/x.png"), QSize(50, 50), 2.0,
                          [](QPainter& p, const QSizeF& size) {
                              p.fillRect(QRectF(QPointF(0, 0), size), Qt::red);
                          });
        QCOMPARE(catalog.fileCount(), 1);
        QString error;
        QVERIFY(catalog.writeAll(root.path(), &error));
        QCOMPARE(QImage(root.filePath(QStringLiteral("image/x.png"))).size(), QSize(100, 100));
        QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("image/x@2x.png"))));
    }

    // A folder that cannot be made is reported, not ignored.
    void unwritableRootFails() {
        QTemporaryDir root;
        QFile blocker(root.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ArtCatalog catalog;
        catalog.add(QStringLiteral("sub/a.png"), QSize(4, 4),
                    [](QPainter& p, const QSizeF&) { p.fillRect(0, 0, 4, 4, Qt::blue); });
        QString error;
        QVERIFY(!catalog.writeAll(blocker.fileName(), &error));
        QVERIFY(!error.isEmpty());
    }

    // Every icon keeps to the box it is given (plus half a stroke), so a
    // mistyped coordinate cannot leak out of a button.
    void iconStaysInItsBox_data() {
        QTest::addColumn<ArtIcon>("icon");
        for (int i = static_cast<int>(ArtIcon::Close); i <= static_cast<int>(ArtIcon::Upload); ++i)
            QTest::newRow(qPrintable(QString::number(i))) << static_cast<ArtIcon>(i);
    }
    void iconStaysInItsBox() {
        QFETCH(ArtIcon, icon);
        QImage image = canvas(144);
        {
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            ArtIcons::draw(p, icon, QRectF(48, 48, 48, 48), Qt::black);
        }
        const QRect ink = inkBounds(image);
        QVERIFY(!ink.isNull());
        // 1.8 grid units of stroke at 2 px per unit: at most 2 px beyond the box,
        // a little more for the gear's teeth.
        QVERIFY2(QRect(45, 45, 54, 54).contains(ink), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                     .arg(ink.x())
                                                                     .arg(ink.y())
                                                                     .arg(ink.width())
                                                                     .arg(ink.height())));
        QVERIFY(ink.width() >= 12 || ink.height() >= 12);
    }
};

KIV_TEST_CLASS(tst_KivArtGen)
#include "tst_KivArtGen.moc"
