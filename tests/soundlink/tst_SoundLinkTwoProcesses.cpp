#include <gst/gst.h>

#include <QDir>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

#include "CPcmRecorder.h"
#include "CPulseDevices.h"
#include "CSoundPeer.h"
#include "CToneMeter.h"
#include "KivTestRegistry.h"

namespace {

constexpr double kToneA = 440.0;
constexpr double kToneB = 660.0;
// Half a second of the recording is judged.
constexpr std::size_t kWindow = CPcmRecorder::kRate / 2;

struct Heard {
    double toneA;
    double toneB;
    double levelDb;
};

Heard Judge(const CPcmRecorder& recorder) {
    const std::vector<std::int16_t> samples = recorder.Last(kWindow);
    const CToneMeter meter(samples, CPcmRecorder::kRate);
    return Heard{meter.PowerAt(kToneA), meter.PowerAt(kToneB), meter.LevelDb()};
}

// Waits until the recorder has count more samples than it had.
bool Record(const CPcmRecorder& recorder, std::size_t count) {
    const std::size_t until = recorder.Count() + count;
    return QTest::qWaitFor([&] { return recorder.Count() >= until; }, 20000);
}

}  // namespace

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
        const QString tag = QString::number(QCoreApplication::applicationPid());
        const QString micA = QStringLiteral("kiv_a_mic_") + tag;
        const QString spkA = QStringLiteral("kiv_a_spk_") + tag;
        const QString micB = QStringLiteral("kiv_b_mic_") + tag;
        const QString spkB = QStringLiteral("kiv_b_spk_") + tag;
        CPulseDevices devices;
        for (const QString& name : {micA, spkA, micB, spkB}) {
            QVERIFY2(devices.AddSink(name), qPrintable(name));
        }

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

        CPcmRecorder heardByA(qPrintable(spkA + QStringLiteral(".monitor")));
        CPcmRecorder heardByB(qPrintable(spkB + QStringLiteral(".monitor")));
        QVERIFY(heardByA.Start());
        QVERIFY(heardByB.Start());
        CTonePlayer speakA(qPrintable(micA), kToneA);
        CTonePlayer speakB(qPrintable(micB), kToneB);
        QVERIFY(speakA.Start());
        QVERIFY(speakB.Start());

        const int portA = KivFreeUdpPort();
        int portB = KivFreeUdpPort();
        while (portB == portA) {
            portB = KivFreeUdpPort();
        }
        CSoundPeer peerA;
        CSoundPeer peerB;
        QVERIFY2(peerA.Start(dirA.path(), portA, portB, micA + QStringLiteral(".monitor"), spkA),
                 qPrintable(peerA.Output()));
        QVERIFY2(peerB.Start(dirB.path(), portB, portA, micB + QStringLiteral(".monitor"), spkB),
                 qPrintable(peerB.Output()));

        // Each side hears the other's tone, loud and clear of its own.
        bool bothHeard = false;
        Heard atA{};
        Heard atB{};
        for (int attempt = 0; attempt < 20 && !bothHeard; ++attempt) {
            QVERIFY(Record(heardByA, kWindow) && Record(heardByB, kWindow));
            atA = Judge(heardByA);
            atB = Judge(heardByB);
            bothHeard = atB.toneA > 100.0 * atB.toneB && atB.levelDb > -30.0 &&
                        atA.toneB > 100.0 * atA.toneA && atA.levelDb > -30.0;
        }
        const QString figures =
            QStringLiteral(
                "B: 440 Hz %1, 660 Hz %2, level %3 dB; A: 440 Hz %4, 660 Hz %5, level %6 dB")
                .arg(atB.toneA)
                .arg(atB.toneB)
                .arg(atB.levelDb)
                .arg(atA.toneA)
                .arg(atA.toneB)
                .arg(atA.levelDb);
        qInfo().noquote() << figures;
        QVERIFY2(bothHeard, qPrintable(figures));

        QVERIFY2(peerA.Command(QStringLiteral("stop"), QStringLiteral("stopped")),
                 qPrintable(peerA.Output()));
        QVERIFY2(peerB.Command(QStringLiteral("stop"), QStringLiteral("stopped")),
                 qPrintable(peerB.Output()));
        // What was on its way has played out after a second.
        QVERIFY(Record(heardByA, 2 * kWindow) && Record(heardByB, 2 * kWindow));
        QVERIFY2(Judge(heardByB).levelDb < -60.0,
                 qPrintable(QString::number(Judge(heardByB).levelDb)));
        QVERIFY2(Judge(heardByA).levelDb < -60.0,
                 qPrintable(QString::number(Judge(heardByA).levelDb)));

        // Both calls registered with the media server.
        QTRY_VERIFY_WITH_TIMEOUT(mediaServer.pendingDatagramSize() == 176, 5000);
    }
};

KIV_TEST_CLASS(tst_SoundLinkTwoProcesses)
#include "tst_SoundLinkTwoProcesses.moc"
