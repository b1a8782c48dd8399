#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "chat/KivScreenshotPicker.h"

// The region the user drags is cut from the screen's picture at its own
// density; Esc, a right click, a mere click or a closed window give nothing.
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
        QTest::addColumn<QSize>("density");
        QTest::newRow("plain screen") << QSize(1, 1);
        QTest::newRow("screen at twice the density") << QSize(2, 2);
        // A picture drawn stretched over the picker: each axis has its own.
        QTest::newRow("picture of another proportion") << QSize(2, 1);
    }
    void dragCutsTheRegion() {
        QFETCH(QSize, density);
        const QImage screen = Screen(400 * density.width(), 300 * density.height());
        auto* picker = new KivScreenshotPicker(screen);
        picker->setGeometry(0, 0, 400, 300);
        picker->show();
        QSignalSpy picked(picker, &KivScreenshotPicker::Picked);
        QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(150, 100));
        QTest::mouseMove(picker, QPoint(60, 40));
        QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(50, 30));
        QCOMPARE(picked.size(), 1);
        const QImage region = picked.first().first().value<QImage>();
        QCOMPARE(region.size(), QSize(100 * density.width(), 70 * density.height()));
        QCOMPARE(region.pixel(0, 0), screen.pixel(50 * density.width(), 30 * density.height()));
    }

    void nothingIsTakenWithoutADrag_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Esc") << 0;
        QTest::newRow("right click") << 1;
        // The desktop closes the window (a key of the compositor's).
        QTest::newRow("window closed") << 2;
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
        else if (how == 1)
            QTest::mouseClick(picker, Qt::RightButton, {}, QPoint(20, 20));
        else
            picker->close();
        QCOMPARE(cancelled.size(), 1);
        QCOMPARE(picked.size(), 0);
    }
};

KIV_TEST_CLASS(tst_KivScreenshotPicker)
#include "tst_KivScreenshotPicker.moc"
