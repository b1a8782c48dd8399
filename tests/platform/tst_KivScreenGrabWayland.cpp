#include <QGuiApplication>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include "KivDisplay.h"
#include "KivScreenGrab.h"
#include "KivTestRegistry.h"

// A Wayland client's screenshot through the real desktop portal, in the
// headless desktop of scripts/with-wayland (one 1280x800 output, a bar at the
// top of it).
class tst_KivScreenGrabWayland : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (KivCurrentDisplay() != KivDisplayKind::Wayland)
            QSKIP("needs a Wayland session (the tst_kivPlatform_wayland run)");
    }

    void grabsTheOutput() {
        KivScreenGrab grab;
        QSignalSpy grabbed(&grab, &KivScreenGrab::Grabbed);
        QSignalSpy failed(&grab, &KivScreenGrab::Failed);
        grab.Start();
        QTRY_VERIFY_WITH_TIMEOUT(grabbed.size() + failed.size() == 1, 60000);
        if (!failed.isEmpty())
            QFAIL(qPrintable(failed.first().first().toString()));
        const QImage picture = grabbed.first().at(0).value<QImage>();
        QCOMPARE(grabbed.first().at(1).toRect(), QRect(0, 0, 1280, 800));
        // The output's proportions, at its density or a multiple of it.
        QVERIFY2(picture.width() >= 1280 && picture.width() * 800 == picture.height() * 1280,
                 qPrintable(QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height())));
        // The bar on the background: more than one colour.
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 4)
            for (int x = 0; x < picture.width(); x += 16)
                colours.insert(picture.pixel(x, y) & 0xffffff);
        QVERIFY(colours.size() > 1);
    }
};

KIV_TEST_CLASS(tst_KivScreenGrabWayland)
#include "tst_KivScreenGrabWayland.moc"
