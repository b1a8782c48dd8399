#include <QSignalSpy>
#include <QtTest>

#include <thread>
#include <vector>

#include "KivDisplay.h"
#include "KivTestRegistry.h"
#include "KivVideoTarget.h"

// The choice of Qt's platform for a session (the screen capture plug-in
// follows the same session rule), and the video targets through
// which pictures reach windows where no native window ids can be handed out.
class tst_KivDisplaySession : public QObject {
    Q_OBJECT
private slots:
    void platformForTheSession_data() {
        QTest::addColumn<QByteArray>("kiv");
        QTest::addColumn<QByteArray>("qt");
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<QByteArray>("wayland");
        QTest::addColumn<QByteArray>("x11");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("x11 session") << QByteArray() << QByteArray() << QByteArray("x11")
                                     << QByteArray() << QByteArray(":0") << QByteArray();
        QTest::newRow("wayland session with xwayland")
            << QByteArray() << QByteArray() << QByteArray("wayland") << QByteArray("wayland-0")
            << QByteArray(":0") << QByteArray("wayland;xcb");
        QTest::newRow("wayland without xwayland")
            << QByteArray() << QByteArray() << QByteArray("wayland") << QByteArray("wayland-0")
            << QByteArray() << QByteArray("wayland");
        QTest::newRow("compositor started by hand")
            << QByteArray() << QByteArray() << QByteArray() << QByteArray("/tmp/w/wayland-1")
            << QByteArray() << QByteArray("wayland");
        QTest::newRow("nested compositor in x11")
            << QByteArray() << QByteArray() << QByteArray("x11") << QByteArray("wayland-1")
            << QByteArray(":0") << QByteArray();
        // Qt's Wayland platform then tries the default socket, X11 after it.
        QTest::newRow("wayland session, spelt loosely, without its socket")
            << QByteArray() << QByteArray() << QByteArray(" Wayland\n") << QByteArray()
            << QByteArray(":0") << QByteArray("wayland;xcb");
        QTest::newRow("console session with a compositor")
            << QByteArray() << QByteArray() << QByteArray("tty") << QByteArray("wayland-0")
            << QByteArray() << QByteArray("wayland");
        QTest::newRow("forced wayland in x11")
            << QByteArray("wayland") << QByteArray("xcb") << QByteArray("x11") << QByteArray()
            << QByteArray(":0") << QByteArray("wayland");
        QTest::newRow("forced x11")
            << QByteArray("xcb") << QByteArray() << QByteArray("wayland") << QByteArray("wayland-0")
            << QByteArray(":0") << QByteArray("xcb");
        QTest::newRow("forced x11 over qt's own")
            << QByteArray(" X11 ") << QByteArray("wayland") << QByteArray("wayland")
            << QByteArray("w") << QByteArray(":0") << QByteArray("xcb");
        QTest::newRow("qt's own kept")
            << QByteArray() << QByteArray("offscreen") << QByteArray("wayland")
            << QByteArray("wayland-0") << QByteArray() << QByteArray("offscreen");
        QTest::newRow("unknown force ignored")
            << QByteArray("mir") << QByteArray() << QByteArray("wayland") << QByteArray("w")
            << QByteArray() << QByteArray("wayland");
    }
    void platformForTheSession() {
        QFETCH(QByteArray, kiv);
        QFETCH(QByteArray, qt);
        QFETCH(QByteArray, type);
        QFETCH(QByteArray, wayland);
        QFETCH(QByteArray, x11);
        QFETCH(QByteArray, expected);
        const KivSessionEnvironment environment{
            {kiv.toStdString(), type.toStdString(), wayland.toStdString(), x11.toStdString()}, qt};
        QCOMPARE(KivChooseQtPlatform(environment), expected);
    }

    // Rows keep their stride's padding out of the picture, and the picture is
    // the target's own copy.
    void picturesReachTheirTarget() {
        KivVideoTarget target;
        QSignalSpy arrived(&target, &KivVideoTarget::PictureArrived);
        std::vector<std::uint8_t> rows(2 * 12, 0);
        for (int x = 0; x < 2; ++x) {
            rows[x * 4] = 200;           // red of row 0
            rows[12 + x * 4 + 2] = 100;  // blue of row 1
        }
        QVERIFY(KivVideoDeliver(target.Id(), rows.data(), 2, 2, 12));
        rows.assign(rows.size(), 0xFF);
        QVERIFY(arrived.wait(2000));
        const QImage picture = target.Latest();
        QCOMPARE(picture.size(), QSize(2, 2));
        QCOMPARE(picture.pixelColor(1, 0), QColor(200, 0, 0));
        QCOMPARE(picture.pixelColor(0, 1), QColor(0, 0, 100));

        QVERIFY(!KivVideoDeliver(target.Id() + 1000, rows.data(), 2, 2, 12));
        QVERIFY(!KivVideoDeliver(target.Id(), rows.data(), 4, 2, 12));  // stride too short
        QVERIFY(!KivVideoDeliver(target.Id(), nullptr, 2, 2, 12));
    }

    // Streaming threads deliver while the window goes: nothing reaches a
    // target after it is gone.
    void targetsGoSafelyWhileDelivering() {
        auto target = std::make_unique<KivVideoTarget>();
        const std::uintptr_t id = target->Id();
        QSignalSpy arrived(target.get(), &KivVideoTarget::PictureArrived);
        std::atomic<bool> stop{false};
        std::atomic<int> refused{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 2; ++i) {
            threads.emplace_back([&] {
                std::vector<std::uint8_t> picture(64 * 48 * 4, 0x40);
                while (!stop) {
                    if (!KivVideoDeliver(id, picture.data(), 64, 48, 64 * 4)) {
                        ++refused;
                    }
                }
            });
        }
        QTRY_VERIFY(target->Latest().width() == 64);
        QVERIFY(arrived.count() > 0 || arrived.wait(2000));
        target.reset();
        const int before = refused;
        QTRY_VERIFY(refused > before);
        stop = true;
        for (std::thread& thread : threads) {
            thread.join();
        }
        QCoreApplication::processEvents();
    }
};

KIV_TEST_CLASS(tst_KivDisplaySession)
#include "tst_KivDisplaySession.moc"
