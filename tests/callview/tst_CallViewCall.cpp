#include <gst/gst.h>

#include <QCryptographicHash>
#include <QProcess>
#include <QRegularExpression>
#include <QX11Info>
#include <QtEndian>
#include <QtTest>

#include <memory>

#include "CKivDevServerProcess.h"
#include "CPcmRecorder.h"
#include "CPulseDevices.h"
#include "CTwoTones.h"
#include "CUdpSniffer.h"
#include "CallViewCallRig.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"

namespace {

using namespace CallViewCallRig;

// The short code a call window logged, or empty.
QString ShortCodeIn(const QByteArray& log) {
    const QRegularExpression code(QStringLiteral("short code (\\d{3} \\d{3})"));
    const QRegularExpressionMatch match = code.match(QString::fromUtf8(log));
    return match.hasMatch() ? match.captured(1) : QString();
}

// What the path saw of the call: every media datagram sealed, none a plain
// fragment, and no more AAC (ADTS) or H.264 starts than chance puts into
// encrypted bytes (in the clear every sound datagram begins with one).
QString PathFindings(const QList<QByteArray>& payloads) {
    int sealed = 0;
    int starts = 0;
    for (const QByteArray& payload : payloads) {
        if (payload.size() < 16) {
            continue;
        }
        const quint32 magic = qFromLittleEndian<quint32>(payload.constData());
        if (magic == 0x51522001u) {
            return QStringLiteral("a plain fragment of %1 bytes").arg(payload.size());
        }
        if (magic != 0x51522E01u) {
            continue;
        }
        ++sealed;
        // The sealed head, the revealed key, the fragment's head; then what was media.
        const QByteArray body = payload.mid((payload[5] & 1) ? 64 : 32);
        if (body.startsWith(QByteArray("\xFF\xF1", 2)) ||
            body.contains(QByteArray("\x00\x00\x00\x01", 4))) {
            ++starts;
        }
    }
    if (sealed <= 50) {
        return QStringLiteral("only %1 sealed datagrams").arg(sealed);
    }
    return starts <= qMax(2, sealed / 100)
               ? QString()
               : QStringLiteral("%1 of %2 datagrams start media in the clear")
                     .arg(starts)
                     .arg(sealed);
}

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

        // Before the clients: they may still speak while they end.
        QByteArray logA;
        QByteArray logB;
        CKivDevServerProcess server;
        QVERIFY(server.start());
        Client a(server, sinks.micA + QStringLiteral(".monitor"), sinks.spkA);
        Client b(server, sinks.micB + QStringLiteral(".monitor"), sinks.spkB);
        // The call windows log into their client's output.
        QVERIFY(a.start(QProcess::MergedChannels));
        QVERIFY(b.start(QProcess::MergedChannels));
        connect(&a.process(), &QProcess::readyRead, this, [&] { logA += a.process().readAll(); });
        connect(&b.process(), &QProcess::readyRead, this, [&] { logB += b.process().readAll(); });
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
        // A window just listed may not be viewable yet while both cores are busy.
        QImage cueShot;
        QTRY_VERIFY_WITH_TIMEOUT(!(cueShot = KivScreen::Grab(cue)).isNull(), 10000);
        QVERIFY(KivScreen::Save(cueShot, QStringLiteral("call-cue.png")));

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
        CUdpSniffer path;
        Click(cue, kCueAccept);
        // The call window program starts slowly while other tests load both cores.
        QTRY_COMPARE_WITH_TIMEOUT(CallWindows().size(), 2, 40000);
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
        // Both people see the same code, and the path learned nothing.
        QTRY_VERIFY_WITH_TIMEOUT(!ShortCodeIn(logA).isEmpty() && !ShortCodeIn(logB).isEmpty(),
                                 10000);
        QCOMPARE(ShortCodeIn(logA), ShortCodeIn(logB));
        if (path.IsRunning()) {
            const QString found = PathFindings(path.Payloads());
            QVERIFY2(found.isEmpty(), qPrintable(found));
        } else {
            qWarning("no packet socket (not privileged): the path is not looked at");
        }
        QVERIFY(KivScreen::Save(KivScreen::Grab(callA), QStringLiteral("call-caller.png")));
        QVERIFY(KivScreen::Save(KivScreen::Grab(callB), QStringLiteral("call-callee.png")));
        QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("call-screen.png")));

        if (sound) {
            CTwoTones tones;
            const bool bothHeard = tones.BothHeard(*heardByA, *heardByB, 60);
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
