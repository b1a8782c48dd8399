#include <gst/gst.h>

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QtTest>

#include "CDeskGrabPipeline.h"
#include "IScrCapParam.h"
#include "KivTestRegistry.h"

extern "C" void gst_plugin_deskgrab_register(void);

namespace {

// The Wayland session of scripts/with-wayland: sway's output is 1280x800.
constexpr int kOutputWidth = 1280;
constexpr int kOutputHeight = 800;

// deskgrab into an app sink.
class Capture : public CDeskGrabPipeline {
public:
    Capture()
        : CDeskGrabPipeline(
              QStringLiteral("deskgrab name=src ! video/x-raw,format=BGRx ! "
                             "appsink name=sink sync=false max-buffers=2 drop=true")) {}
};

bool Near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) <= 8 && qAbs(a.green() - b.green()) <= 8 &&
           qAbs(a.blue() - b.blue()) <= 8;
}

bool SetBackground(const QString& colour) {
    QProcess swaymsg;
    swaymsg.setStandardOutputFile(QProcess::nullDevice());
    swaymsg.start(QStringLiteral("swaymsg"),
                  {QStringLiteral("output"), QStringLiteral("HEADLESS-1"), QStringLiteral("bg"),
                   colour, QStringLiteral("solid_color")});
    return swaymsg.waitForFinished(5000) && swaymsg.exitCode() == 0;
}

int OpenDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd"))
        .entryList(QDir::NoDotAndDotDot | QDir::System)
        .size();
}

// The count once it holds still: GLib's D-Bus worker lets go of what a
// finished call used a moment after the call has returned.
int SettledDescriptors() {
    int count = OpenDescriptors();
    for (int check = 0; check < 40; ++check) {
        QTest::qWait(50);
        const int now = OpenDescriptors();
        if (now == count) {
            break;
        }
        count = now;
    }
    return count;
}

}  // namespace

// Screen capture on a Wayland session through the desktop portal; runs
// under scripts/with-wayland.
class TestDeskGrabWayland : public QObject {
    Q_OBJECT

private:
    static bool InSession() { return !qEnvironmentVariableIsEmpty("SWAYSOCK"); }

    // Plays a capture of the whole output, scaled by half.
    bool StartWholeOutput(Capture& capture, QString* error) {
        capture.Param()->SetCaptureRect(0, 0, kOutputWidth, kOutputHeight, kOutputWidth / 2,
                                        kOutputHeight / 2);
        capture.Param()->SetFrameRate(-1);
        const GstStateChangeReturn result = capture.Play();
        *error = capture.BusError();
        return result != GST_STATE_CHANGE_FAILURE;
    }

private slots:
    void initTestCase() {
        gst_init(nullptr, nullptr);
        gst_plugin_deskgrab_register();
    }

    void framesFollowTheScreen() {
        if (!InSession()) {
            QSKIP("needs the Wayland session of scripts/with-wayland");
        }
        QVERIFY(SetBackground(QStringLiteral("#ff0000")));
        Capture capture;
        QString error;
        QVERIFY2(StartWholeOutput(capture, &error), qPrintable(error));
        // Away from the bar at the top: the background.
        const QPoint probe(kOutputWidth / 4, kOutputHeight / 2 - 20);
        const auto shows = [probe](const QColor& colour) {
            return [probe, colour](const QImage& frame) {
                return Near(frame.pixelColor(probe), colour);
            };
        };
        QImage frame = capture.PullUntil(shows(QColor(255, 0, 0)), 3000);
        QVERIFY2(!frame.isNull(), qPrintable(capture.BusError()));
        QCOMPARE(frame.size(), QSize(kOutputWidth / 2, kOutputHeight / 2));

        // The cast sends frames only on change, yet the element keeps going.
        QVERIFY(!capture.Pull().isNull());
        QVERIFY(SetBackground(QStringLiteral("#0000ff")));
        frame = capture.PullUntil(shows(QColor(0, 0, 255)), 3000);
        QVERIFY2(!frame.isNull(), "the capture did not follow the screen to blue");
        QVERIFY(SetBackground(QStringLiteral("#00ff00")));
        frame = capture.PullUntil(shows(QColor(0, 255, 0)), 3000);
        QVERIFY2(!frame.isNull(), "the capture did not follow the screen to green");
        QVERIFY(capture.BusError().isEmpty());
    }

    // Each start opens a session and a PipeWire remote; a stop gives both back.
    void stoppingReleasesTheCast() {
        if (!InSession()) {
            QSKIP("needs the Wayland session of scripts/with-wayland");
        }
        // The first capture of the process also starts what lasts as long as
        // the process (the D-Bus worker, GStreamer's threads): it is not counted.
        int before = 0;
        for (int round = 0; round < 3; ++round) {
            if (round == 1) {
                before = SettledDescriptors();
            }
            Capture capture;
            QString error;
            QVERIFY2(StartWholeOutput(capture, &error), qPrintable(error));
            QVERIFY(!capture.Pull().isNull());
        }
        QTRY_COMPARE_WITH_TIMEOUT(OpenDescriptors(), before, 2000);
    }

    // Without a portal the start fails at once and says why.
    void withoutAPortalStartFailsWithAClearError() {
        const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray session = qgetenv("XDG_SESSION_TYPE");
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kiv-no-bus");
        qputenv("XDG_SESSION_TYPE", "wayland");
        QElapsedTimer timer;
        timer.start();
        QString error;
        GstStateChangeReturn result = GST_STATE_CHANGE_SUCCESS;
        {
            Capture capture;
            result = capture.Play();
            error = capture.BusError();
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
        qputenv("XDG_SESSION_TYPE", session);
        QCOMPARE(result, GST_STATE_CHANGE_FAILURE);
        QVERIFY2(error.contains(QStringLiteral("Cannot capture the screen")), qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("session bus")), qPrintable(error));
        QVERIFY(timer.elapsed() < 5000);
    }
};

KIV_TEST_CLASS(TestDeskGrabWayland)
#include "tst_DeskGrabWayland.moc"
