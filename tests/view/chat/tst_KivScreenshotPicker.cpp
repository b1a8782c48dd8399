#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "chat/KivScreenshotPicker.h"

// The region the user drags is cut from the screen's picture at its own
// density; Esc, a right click or a mere click give nothing.
class tst_KivScreenshotPicker : public QObject {
    Q_OBJECT

    static QImage Screen(int width, int height) {
        QImage screen(width, height, QImage::Format_RGB32);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                screen.setPixel(x, y, qRgb(x % 256, y % 256, 7));
        return screen;
    }

private slots:
    void dragCutsTheRegion_data() {
        QTest::addColumn<int>("density");
        QTest::newRow("plain screen") << 1;
        QTest::newRow("screen at twice the density") << 2;
    }
    void dragCutsTheRegion() {
        QFETCH(int, density);
        const QImage screen = Screen(400 * density, 300 * density);
        auto* picker = new KivScreenshotPicker(screen);
        picker->setGeometry(0, 0, 400, 300);
        picker->show();
        QSignalSpy picked(picker, &KivScreenshotPicker::Picked);
        QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(150, 100));
        QTest::mouseMove(picker, QPoint(60, 40));
        QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(50, 30));
        QCOMPARE(picked.size(), 1);
        const QImage region = picked.first().first().value<QImage>();
        QCOMPARE(region.size(), QSize(100, 70) * density);
        QCOMPARE(region.pixel(0, 0), screen.pixel(50 * density, 30 * density));
    }

    void nothingIsTakenWithoutADrag_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Esc") << 0;
        QTest::newRow("right click") << 1;
    }
    void nothingIsTakenWithoutADrag() {
        QFETCH(int, how);
        auto* picker = new KivScreenshotPicker(Screen(200, 100));
        picker->setGeometry(0, 0, 200, 100);
        picker->show();
        QSignalSpy picked(picker, &KivScreenshotPicker::Picked);
        QSignalSpy cancelled(picker, &KivScreenshotPicker::Cancelled);
        // A click without a drag takes nothing yet.
        QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(picked.size() + cancelled.size(), 0);
        if (how == 0)
            QTest::keyClick(picker, Qt::Key_Escape);
        else
            QTest::mouseClick(picker, Qt::RightButton, {}, QPoint(20, 20));
        QCOMPARE(cancelled.size(), 1);
        QCOMPARE(picked.size(), 0);
    }
};

KIV_TEST_CLASS(tst_KivScreenshotPicker)
#include "tst_KivScreenshotPicker.moc"
