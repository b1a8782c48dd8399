#include <gst/gst.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "CPulseDevices.h"
#include "CSoundLink.h"
#include "CSoundPeer.h"
#include "KivTestRegistry.h"

namespace {

// Frames y's playback decodes within the next second.
quint64 DecodedWithinASecond(const CSoundLink& y, int call) {
    const quint64 before = y.Decoder(call)->FramesDecoded();
    QTest::qWait(1000);
    return y.Decoder(call)->FramesDecoded() - before;
}

}  // namespace

// The devices a user picks: used when there, the default ones when not, and
// a call goes on when its device is unplugged.
class tst_SoundLinkDevices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
            QSKIP("needs PULSE_SERVER (run under scripts/with-services)");
        }
        gst_init(nullptr, nullptr);
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }

    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void chosenDevicesAndTheirLoss() {
        auto devices = std::make_unique<CPulseDevices>();
        const QString tag = QString::number(QCoreApplication::applicationPid());
        const QString microphone = QStringLiteral("kivd_mic_") + tag;
        const QString speaker = QStringLiteral("kivd_spk_") + tag;
        QVERIFY(devices->AddSink(microphone));
        QVERIFY(devices->AddSink(speaker));
        const auto [portX, portY] = KivFreeUdpPorts();
        CSoundLink x;
        CSoundLink y;
        x.SetAudioFormat(L"", 32000, 16, 2);
        y.SetAudioFormat(L"", 32000, 16, 2);
        x.SetMicrophone((microphone + QStringLiteral(".monitor")).toStdString());
        y.SetSpeaker(speaker.toStdString());
        int idX = -1;
        int idY = -1;
        x.StartCall(L"127.0.0.1", portY, L"", portX, &idX, 0);
        y.StartCall(L"127.0.0.1", portX, L"", portY, &idY, 0);
        QCOMPARE(x.Capture().DeviceName(), (microphone + QStringLiteral(".monitor")).toStdString());
        QCOMPARE(y.Decoder(idY)->Playback().Speaker(), speaker.toStdString());
        QTRY_VERIFY_WITH_TIMEOUT(y.Decoder(idY)->FramesDecoded() > 5, 10000);

        // Both devices unplugged mid-call: the sound server moves the streams
        // to its defaults and the call goes on, sending and playing.
        devices.reset();
        const quint32 sent = x.Transport(idX)->FramesSent();
        QVERIFY(DecodedWithinASecond(y, idY) > 20);
        QVERIFY(x.Transport(idX)->FramesSent() > sent + 20);
        QVERIFY(x.IsCapturing() && y.Decoder(idY)->IsRunning());

        // A speaker that is not there at all: the call plays to the default.
        y.SetSpeaker("kivd_no_such_sink");
        int idZ = -1;
        y.StartCall(L"127.0.0.1", portX, L"", KivFreeUdpPort(), &idZ, 0);
        QVERIFY(y.Decoder(idZ)->IsRunning());
        QCOMPARE(y.Decoder(idZ)->Playback().Speaker(), std::string());
    }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

KIV_TEST_CLASS(tst_SoundLinkDevices)
#include "tst_SoundLinkDevices.moc"
