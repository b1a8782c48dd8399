#include <QtTest>

#include "CorvoScreenBackend.h"
#include "KivTestRegistry.h"

Q_DECLARE_METATYPE(CorvoScreenBackend)

class TestScreenBackendChoice : public QObject {
    Q_OBJECT

private slots:
    void followsTheSession_data() {
        QTest::addColumn<QString>("kivPlatform");
        QTest::addColumn<QString>("sessionType");
        QTest::addColumn<QString>("waylandDisplay");
        QTest::addColumn<QString>("x11Display");
        QTest::addColumn<CorvoScreenBackend>("expected");
        const auto x11 = CorvoScreenBackend::X11;
        const auto portal = CorvoScreenBackend::Portal;
        QTest::newRow("X11 session") << ""
                                     << "x11"
                                     << ""
                                     << ":0" << x11;
        QTest::newRow("nothing set") << ""
                                     << ""
                                     << ""
                                     << "" << x11;
        QTest::newRow("Wayland session with XWayland") << ""
                                                       << "wayland"
                                                       << "wayland-0"
                                                       << ":0" << portal;
        QTest::newRow("Wayland session, spelt loosely") << ""
                                                        << " Wayland\n"
                                                        << ""
                                                        << ":1" << portal;
        QTest::newRow("bare Wayland display") << ""
                                              << ""
                                              << "/run/w/wayland-1"
                                              << "" << portal;
        QTest::newRow("tty session with a compositor") << ""
                                                       << "tty"
                                                       << "wayland-0"
                                                       << "" << portal;
        QTest::newRow("nested compositor in X11") << ""
                                                  << "x11"
                                                  << "wayland-1"
                                                  << ":0" << x11;
        QTest::newRow("xcb forced on Wayland") << "xcb"
                                               << "wayland"
                                               << "wayland-0"
                                               << ":0" << x11;
        QTest::newRow("x11 forced, upper case") << "X11"
                                                << "wayland"
                                                << "wayland-0"
                                                << "" << x11;
        QTest::newRow("wayland forced in X11") << "wayland"
                                               << "x11"
                                               << ""
                                               << ":0" << portal;
        QTest::newRow("unknown force is ignored") << "directfb"
                                                  << "wayland"
                                                  << ""
                                                  << "" << portal;
    }

    void followsTheSession() {
        QFETCH(QString, kivPlatform);
        QFETCH(QString, sessionType);
        QFETCH(QString, waylandDisplay);
        QFETCH(QString, x11Display);
        QFETCH(CorvoScreenBackend, expected);
        const CorvoSessionEnvironment environment{
            kivPlatform.toStdString(), sessionType.toStdString(), waylandDisplay.toStdString(),
            x11Display.toStdString()};
        QCOMPARE(CorvoChooseScreenBackend(environment), expected);
    }

    void readsTheProcessEnvironment() {
        const QByteArray platform = qgetenv("KIV_PLATFORM");
        const QByteArray session = qgetenv("XDG_SESSION_TYPE");
        qputenv("KIV_PLATFORM", "xcb");
        qputenv("XDG_SESSION_TYPE", "wayland");
        const CorvoSessionEnvironment environment = CorvoSessionEnvironment::FromProcess();
        qputenv("KIV_PLATFORM", platform);
        qputenv("XDG_SESSION_TYPE", session);
        QCOMPARE(QString::fromStdString(environment.kivPlatform), QStringLiteral("xcb"));
        QCOMPARE(QString::fromStdString(environment.sessionType), QStringLiteral("wayland"));
    }
};

KIV_TEST_CLASS(TestScreenBackendChoice)
#include "tst_CorvoScreenBackend.moc"
