#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include "KivScreenGrab.h"
#include "KivTestRegistry.h"

// The screen under the cursor: read at once where the platform allows it, and
// cut out of a picture of the whole desktop where that is what comes back.
class tst_KivScreenGrab : public QObject {
    Q_OBJECT

private slots:
    // The offscreen platform reads a screen only where a window of ours
    // covers it; elsewhere it gives nothing, as a desktop that refuses does.
    void readsTheScreenLater_data() {
        QTest::addColumn<bool>("covered");
        QTest::newRow("screen shows a window") << true;
        QTest::newRow("nothing to read") << false;
    }
    void readsTheScreenLater() {
        QFETCH(bool, covered);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QWidget cover(nullptr, Qt::FramelessWindowHint);
        cover.setStyleSheet(QStringLiteral("background: #3a7"));
        cover.setGeometry(screen);
        if (covered) {
            cover.show();
            QVERIFY(QTest::qWaitForWindowExposed(&cover));
        }
        KivScreenGrab grab;
        QSignalSpy grabbed(&grab, &KivScreenGrab::Grabbed);
        QSignalSpy failed(&grab, &KivScreenGrab::Failed);
        grab.Start();
        // Never from inside Start, so a caller can connect and start in any order.
        QCOMPARE(grabbed.size() + failed.size(), 0);
        QVERIFY(grab.IsBusy());
        QTRY_COMPARE(grabbed.size() + failed.size(), 1);
        QVERIFY(!grab.IsBusy());
        if (!covered) {
            QVERIFY(!failed.first().first().toString().isEmpty());
            return;
        }
        QCOMPARE(grabbed.size(), 1);
        QCOMPARE(grabbed.first().at(1).toRect(), screen);
        const QImage picture = grabbed.first().at(0).value<QImage>();
        QCOMPARE(picture.size(), screen.size());
        QCOMPARE(QColor(picture.pixel(screen.width() / 2, screen.height() / 2)), QColor(0x33aa77));
    }

    void screenPart_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QRect>("desktop");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("part");
        QTest::newRow("one screen") << QSize(1280, 800) << QRect(0, 0, 1280, 800)
                                    << QRect(0, 0, 1280, 800) << QRect(0, 0, 1280, 800);
        QTest::newRow("right of two") << QSize(3200, 1080) << QRect(0, 0, 3200, 1080)
                                      << QRect(1920, 0, 1280, 800) << QRect(1920, 0, 1280, 800);
        QTest::newRow("two, scaled twice")
            << QSize(6400, 2160) << QRect(0, 0, 3200, 1080) << QRect(1920, 0, 1280, 800)
            << QRect(3840, 0, 2560, 1600);
        QTest::newRow("desktop not at the origin")
            << QSize(2560, 800) << QRect(-1280, 0, 2560, 800) << QRect(-1280, 0, 1280, 800)
            << QRect(0, 0, 1280, 800);
        // A picture of one screen only is not cut.
        QTest::newRow("picture of the screen alone")
            << QSize(1280, 800) << QRect(0, 0, 3200, 1080) << QRect(1920, 0, 1280, 800)
            << QRect(0, 0, 1280, 800);
    }
    void screenPart() {
        QFETCH(QSize, picture);
        QFETCH(QRect, desktop);
        QFETCH(QRect, screen);
        QFETCH(QRect, part);
        QImage whole(picture, QImage::Format_RGB32);
        for (int y = 0; y < whole.height(); y += 8)
            for (int x = 0; x < whole.width(); x += 8)
                whole.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
        const QImage cut = KivScreenGrab::ScreenPart(whole, desktop, screen);
        QCOMPARE(cut.size(), part.size());
        QCOMPARE(cut, whole.copy(part));
    }
};

KIV_TEST_CLASS(tst_KivScreenGrab)
#include "tst_KivScreenGrab.moc"
