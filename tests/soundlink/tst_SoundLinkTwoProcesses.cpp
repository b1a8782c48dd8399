#include <gst/gst.h>

#include <QDir>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

#include "CPcmRecorder.h"
#include "CPulseDevices.h"
#include "CSoundPeer.h"
#include "CTwoTones.h"
#include "KivTestRegistry.h"

// Two processes with one session each call each other on loopback, each
// with its own microphone and speaker: A's 440 Hz reaches B's speaker while
// B's 660 Hz reaches A's, and a stopped call is silent.
class tst_SoundLinkTwoProcesses : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
            QSKIP("needs PULSE_SERVER (run under scripts/with-services)");
        }
        gst_init(nullptr, nullptr);
    }

    void tonesCrossBothWays() {
        CPulseDevices devices;
        CCallSinks sinks;
        QVERIFY(devices.AddCallSinks(QStringLiteral("kiv_"), &sinks));

        // Registrations go to a socket of this test, not to a server on 6800.
        QUdpSocket mediaServer;
        QVERIFY(mediaServer.bind(QHostAddress(QHostAddress::LocalHost), 0));
        QTemporaryDir dirA;
        QTemporaryDir dirB;
        for (const QTemporaryDir* dir : {&dirA, &dirB}) {
            QVERIFY(QDir(dir->path()).mkpath(QStringLiteral("Config")));
            QFile config(dir->filePath(QStringLiteral("Config/config.ini")));
            QVERIFY(config.open(QIODevice::WriteOnly));
            config.write(QStringLiteral("[media]\nipaddr=127.0.0.1\nport=%1\n")
                             .arg(mediaServer.localPort())
                             .toLatin1());
        }

        CPcmRecorder heardByA(qPrintable(sinks.spkA + QStringLiteral(".monitor")));
        CPcmRecorder heardByB(qPrintable(sinks.spkB + QStringLiteral(".monitor")));
        QVERIFY(heardByA.Start());
        QVERIFY(heardByB.Start());
        CTonePlayer speakA(qPrintable(sinks.micA), CTwoTones::kToneA);
        CTonePlayer speakB(qPrintable(sinks.micB), CTwoTones::kToneB);
        QVERIFY(speakA.Start());
        QVERIFY(speakB.Start());

        const auto [portA, portB] = KivFreeUdpPorts();
        CSoundPeer peerA;
        CSoundPeer peerB;
        peerA.Launch(dirA.path(), portA, portB, sinks.micA + QStringLiteral(".monitor"),
                     sinks.spkA);
        peerB.Launch(dirB.path(), portB, portA, sinks.micB + QStringLiteral(".monitor"),
                     sinks.spkB);
        QVERIFY2(peerA.WaitForCall(), qPrintable(peerA.Output()));
        QVERIFY2(peerB.WaitForCall(), qPrintable(peerB.Output()));

        // Each side hears the other's tone, loud and clear of its own.
        CTwoTones tones;
        const bool bothHeard = tones.BothHeard(heardByA, heardByB, 40);
        qInfo().noquote() << tones.Figures();
        QVERIFY2(bothHeard, qPrintable(tones.Figures()));

        QVERIFY2(peerA.Command(QStringLiteral("stop"), QStringLiteral("stopped")),
                 qPrintable(peerA.Output()));
        QVERIFY2(peerB.Command(QStringLiteral("stop"), QStringLiteral("stopped")),
                 qPrintable(peerB.Output()));
        // What was on its way has played out after a second.
        QVERIFY(CTwoTones::Record(heardByA, heardByB, 2 * CTwoTones::kWindow));
        QVERIFY2(CTwoTones::LevelDb(heardByB) < -60.0,
                 qPrintable(QString::number(CTwoTones::LevelDb(heardByB))));
        QVERIFY2(CTwoTones::LevelDb(heardByA) < -60.0,
                 qPrintable(QString::number(CTwoTones::LevelDb(heardByA))));

        // Both calls registered with the media server.
        QTRY_VERIFY_WITH_TIMEOUT(mediaServer.pendingDatagramSize() == 176, 5000);
    }
};

KIV_TEST_CLASS(tst_SoundLinkTwoProcesses)
#include "tst_SoundLinkTwoProcesses.moc"
