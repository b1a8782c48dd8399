#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include "KivTestRegistry.h"
#include "shell/kivFriendQPainterLabelView.h"

namespace {

// Three bands across the long side: red, green, blue. Only the green middle
// may show in the circle.
QString WriteBanded(const QTemporaryDir& folder, const QString& name, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const bool wide = size.width() >= size.height();
    const int band = (wide ? size.width() : size.height()) / 3;
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i) {
        const QRect part = wide ? QRect(i * band, 0, band + 1, size.height())
                                : QRect(0, i * band, size.width(), band + 1);
        painter.fillRect(part, colours[i]);
    }
    painter.end();
    const QString path = folder.filePath(name);
    image.save(path, "PNG");
    return path;
}

bool IsGreen(QRgb pixel) {
    return qGreen(pixel) > 200 && qRed(pixel) < 60 && qBlue(pixel) < 60;
}

}  // namespace

// The round head button: a picture that is not square fills the circle with
// its middle part instead of repeating.
class tst_kivFriendQPainterLabelView : public QObject {
    Q_OBJECT
private slots:
    void nonSquareHeadFillsTheCircle_data() {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide") << QSize(300, 100);
        QTest::newRow("tall") << QSize(90, 270);
    }
    void nonSquareHeadFillsTheCircle() {
        QFETCH(QSize, size);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        kivFriendQPainterLabelView head;
        head.resize(75, 75);
        head.getArguments(WriteBanded(folder, QStringLiteral("head.png"), size));
        const QImage shown = head.grab().toImage();
        // Points well inside the circle, across and down its middle.
        for (const QPoint& point :
             {QPoint(37, 37), QPoint(22, 37), QPoint(52, 37), QPoint(37, 22), QPoint(37, 52)}) {
            QVERIFY2(IsGreen(shown.pixel(point)),
                     qPrintable(QStringLiteral("(%1,%2) is %3")
                                    .arg(point.x())
                                    .arg(point.y())
                                    .arg(QColor(shown.pixel(point)).name())));
        }
    }
};

KIV_TEST_CLASS(tst_kivFriendQPainterLabelView)
#include "tst_kivFriendQPainterLabelView.moc"
