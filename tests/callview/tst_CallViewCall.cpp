#include <gst/gst.h>

#include <QCryptographicHash>
#include <QProcess>
#include <QX11Info>
#include <QtTest>

#include <memory>

#include "CKivDevServerProcess.h"
#include "CPcmRecorder.h"
#include "CPulseDevices.h"
#include "CTwoTones.h"
#include "CallViewCallRig.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"

namespace {

using namespace CallViewCallRig;

}  // namespace

// Two real clients call each other through the development server: 10001
// calls 10002 from the chat dialog, 10002 accepts in the cue dialog, both
// call windows show the other side's moving picture and play its sound, and
// a hang-up on one side closes the other. A declined call ends the caller's
// waiting call window.
class tst_CallViewCall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available()) {
            QSKIP("needs an X display with xdotool and ImageMagick");
        }
        gst_init(nullptr, nullptr);
    }

    void twoClientsCallEachOther() {
        const bool sound = !qEnvironmentVariableIsEmpty("PULSE_SERVER");
        CPulseDevices devices;
        CCallSinks sinks;
        QVERIFY(!sound || devices.AddCallSinks(QStringLiteral("kiv_call_"), &sinks));

        CKivDevServerProcess server;
        QVERIFY(server.start());
        Client a(server, sinks.micA + QStringLiteral(".monitor"), sinks.spkA);
        Client b(server, sinks.micB + QStringLiteral(".monitor"), sinks.spkB);
        QVERIFY(a.start());
        QVERIFY(b.start());
        // One at a time: a main window opening must not take the other's typing.
        QVERIFY(a.login(QStringLiteral("10001"), 660, 100));
        QString mainA;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(mainA = WindowOf(a.pid(), QStringLiteral("^Lumo - 张三$"))).isEmpty(), 20000);
        Move(mainA, 20, 100);
        DismissFriendRequests(a.pid());
        QVERIFY(b.login(QStringLiteral("10002"), 660, 100));
        QString mainB;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(mainB = WindowOf(b.pid(), QStringLiteral("^Lumo - 李四$"))).isEmpty(), 20000);
        Move(mainB, 980, 100);
        QTest::qWait(500);

        // A opens the chat with 李四 (first friend row) and notes how the
        // call button looks while it can be pressed.
        Click(mainA, QPoint(100, 178), 2);
        QString chat;
        QTRY_VERIFY_WITH_TIMEOUT(!(chat = WindowOf(a.pid(), QStringLiteral("^李四$"))).isEmpty(),
                                 20000);
        // Out of the way of the call windows, which open along the top.
        Move(chat, 600, 250);
        QTest::qWait(800);
        const QRect buttonArea(kCallButton - QPoint(14, 14), QSize(28, 28));
        const QByteArray enabledButton = Digest(Region(chat, buttonArea));

        // A calls: its call window opens at once, B is asked.
        Click(chat, kCallButton);
        // One look at the windows: a second search may not see the new one yet.
        QStringList calls;
        QTRY_COMPARE_WITH_TIMEOUT((calls = CallWindows()).size(), 1, 20000);
        const QString callA = calls.first();
        QTRY_VERIFY(Digest(Region(chat, buttonArea)) != enabledButton);
        QString cue;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(cue = WindowOf(b.pid(), QStringLiteral("^视频通话请求$"))).isEmpty(), 20000);
        QTest::qWait(500);
        QVERIFY(KivScreen::Save(KivScreen::Grab(cue), QStringLiteral("call-cue.png")));

        std::unique_ptr<CPcmRecorder> heardByA;
        std::unique_ptr<CPcmRecorder> heardByB;
        std::unique_ptr<CTonePlayer> speakA;
        std::unique_ptr<CTonePlayer> speakB;
        if (sound) {
            heardByA =
                std::make_unique<CPcmRecorder>(qPrintable(sinks.spkA + QStringLiteral(".monitor")));
            heardByB =
                std::make_unique<CPcmRecorder>(qPrintable(sinks.spkB + QStringLiteral(".monitor")));
            speakA = std::make_unique<CTonePlayer>(qPrintable(sinks.micA), CTwoTones::kToneA);
            speakB = std::make_unique<CTonePlayer>(qPrintable(sinks.micB), CTwoTones::kToneB);
            QVERIFY(heardByA->Start() && heardByB->Start());
            QVERIFY(speakA->Start() && speakB->Start());
        }

        // B accepts: its own call window opens, and both show the other side.
        Click(cue, kCueAccept);
        QTRY_COMPARE_WITH_TIMEOUT(CallWindows().size(), 2, 20000);
        QString callB;
        for (const QString& window : CallWindows()) {
            if (window != callA) {
                callB = window;
            }
        }
        Move(callA, 10, 10);
        Move(callB, 545, 10);
        QVERIFY2(RemoteVideoMoves(callA), "A's remote video does not move");
        QVERIFY2(RemoteVideoMoves(callB), "B's remote video does not move");
        QVERIFY(KivScreen::Save(KivScreen::Grab(callA), QStringLiteral("call-caller.png")));
        QVERIFY(KivScreen::Save(KivScreen::Grab(callB), QStringLiteral("call-callee.png")));
        QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("call-screen.png")));

        if (sound) {
            CTwoTones tones;
            const bool bothHeard = tones.BothHeard(*heardByA, *heardByB, 30);
            qInfo().noquote() << tones.Figures();
            QVERIFY2(bothHeard, qPrintable(tones.Figures()));
        }

        // A hangs up: both call windows close and A's call button comes back.
        Click(callA, kCallViewClose);
        QTRY_VERIFY_WITH_TIMEOUT(CallWindows().isEmpty(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(Digest(Region(chat, buttonArea)), enabledButton, 10000);
        QVERIFY(server.waitForLog(QStringLiteral("media registration"), 5000));

        // B declines the next call: A's waiting call window closes.
        Click(chat, kCallButton);
        QTRY_COMPARE_WITH_TIMEOUT(CallWindows().size(), 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(
            !(cue = WindowOf(b.pid(), QStringLiteral("^视频通话请求$"))).isEmpty(), 20000);
        QTest::qWait(300);
        Click(cue, kCueDecline);
        QTRY_VERIFY_WITH_TIMEOUT(CallWindows().isEmpty(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(Digest(Region(chat, buttonArea)), enabledButton, 10000);
    }
};

KIV_TEST_CLASS(tst_CallViewCall)
#include "tst_CallViewCall.moc"
