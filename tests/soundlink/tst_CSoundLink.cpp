#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <memory>

#include "CKivDevServerProcess.h"
#include "CSoundLink.h"
#include "CSoundPeer.h"
#include "CUdpCatcher.h"
#include "KivTestRegistry.h"

namespace {

const QByteArray kNoServer = "unix:/nonexistent/kiv-no-pulse";

quint32 Word(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

int Start(CSoundLink& session, quint16 remotePort, int mode = 0) {
    int id = -1;
    session.StartCall(L"127.0.0.1", remotePort, L"", KivFreeUdpPort(), &id, mode);
    return id;
}

// The first sendings among what arrived; each frame's copy follows the next.
QVector<CUdpCatcher::Datagram> FirstSendings(const QVector<CUdpCatcher::Datagram>& received) {
    QVector<CUdpCatcher::Datagram> first;
    for (const CUdpCatcher::Datagram& datagram : received) {
        if (Word(datagram.bytes, 0) == 0x51522001u) {
            first.append(datagram);
        }
    }
    return first;
}

void SendAac(CSoundLink& session) {
    const std::uint8_t frame[300] = {0xFF, 0xF1};
    session.OnAAC(frame, sizeof(frame));
}

}  // namespace

// The session in this process: call ids, the fan-out of encoded frames, the
// capture's life and the error log. Calls go to loopback sockets of the test.
class tst_CSoundLink : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_server = std::make_unique<CUdpCatcher>();
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        QVERIFY(QDir().mkpath(QStringLiteral("Config")));
        QFile config(QStringLiteral("Config/config.ini"));
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write(QStringLiteral("[base]\nipaddr=127.0.0.1\n[media]\nport=%1\n")
                         .arg(m_server->Port())
                         .toLatin1());
        QFile::remove(QStringLiteral("TarnLog.txt"));
        m_pulse = qgetenv("PULSE_SERVER");
    }
    void cleanup() {
        if (m_pulse.isEmpty()) {
            qunsetenv("PULSE_SERVER");
        } else {
            qputenv("PULSE_SERVER", m_pulse);
        }
        QDir::setCurrent(m_previousDir);
    }

    void idsAndRedirection() {
        WithoutSound();
        CUdpCatcher first;
        CUdpCatcher second;
        CSoundLink session;
        session.SetAudioFormat(L"", 32000, 16, 2);
        // Nothing to redirect yet.
        session.SetRemoteAddress(L"127.0.0.1", second.Port());

        QCOMPARE(Start(session, first.Port()), 0);
        QCOMPARE(Start(session, first.Port()), 1);
        session.StopCall(0);
        session.StopCall(7);
        QCOMPARE(Start(session, first.Port()), 2);
        QCOMPARE(session.CallIds(), std::vector<int>({1, 2}));

        // Only the newest call moves.
        session.SetRemoteAddress(L"127.0.0.1", second.Port());
        SendAac(session);
        QVERIFY(first.WaitFor(1) && second.WaitFor(1));
        // The newest call gone, there is no call to redirect.
        session.StopCall(2);
        session.SetRemoteAddress(L"127.0.0.1", second.Port());
        SendAac(session);
        QVERIFY(first.WaitFor(3));
        second.Drain(200);
        QCOMPARE(FirstSendings(first.Received()).size(), 2);
        QCOMPARE(first.Received().size(), 3);
        QCOMPARE(second.Received().size(), 1);
        QCOMPARE(first.Received()[0].fromPort, first.Received()[1].fromPort);
    }

    void formatWithoutRateLeavesTheCapture() {
        WithoutSound();
        CSoundLink session;
        session.SetAudioFormat(L"kiv_headset", 32000, 16, 1);
        session.SetAudioFormat(L"", 0, 16, 2);
        QCOMPARE(session.Capture().SampleRate(), 32000);
        QCOMPARE(session.Capture().Channels(), 1);
        QCOMPARE(session.Capture().DeviceName(), std::string("kiv_headset"));
        // Rate 0 reaches the encoder, which refuses it: the call still opens.
        CUdpCatcher peer;
        QCOMPARE(Start(session, peer.Port()), 0);
        QVERIFY(!session.HasEncoder() && !session.IsCapturing());
    }

    void everyCallGetsEveryFrameInOrder() {
        WithoutSound();
        CUdpCatcher peer;
        CSoundLink session;
        session.SetAudioFormat(L"", 32000, 16, 2);
        Start(session, peer.Port());
        Start(session, peer.Port());
        for (int frame = 0; frame < 3; ++frame) {
            SendAac(session);
        }
        // Three frames and the copies of the first two, for each call.
        QVERIFY(peer.WaitFor(10));
        peer.Drain(100);
        QCOMPARE(peer.Received().size(), 10);
        const QVector<CUdpCatcher::Datagram> first = FirstSendings(peer.Received());
        QCOMPARE(first.size(), 6);
        const quint16 firstCall = first[0].fromPort;
        const quint16 secondCall = first[1].fromPort;
        QVERIFY(firstCall != secondCall);
        for (int frame = 0; frame < 3; ++frame) {
            QCOMPARE(first[2 * frame].fromPort, firstCall);
            QCOMPARE(first[2 * frame + 1].fromPort, secondCall);
            QCOMPARE(Word(first[2 * frame].bytes, 8), quint32(frame));
            QCOMPARE(Word(first[2 * frame + 1].bytes, 8), quint32(frame));
        }
    }

    void registrationCarriesTheSession() {
        WithoutSound();
        CSoundLink session;
        session.SetAudioFormat(L"", 32000, 16, 2);
        Start(session, 5004);
        session.SetSessionInfo(10001, 10002, 2);
        Start(session, 5006);
        QVERIFY(m_server->WaitFor(2));
        const QByteArray before = m_server->Received()[0].bytes;
        const QByteArray accepted = m_server->Received()[1].bytes;
        QCOMPARE(Word(before, 20), 0u);
        QCOMPARE(Word(before, 28), 1u);
        QCOMPARE(Word(before, 168), 0u);
        QCOMPARE(Word(accepted, 20), 10001u);
        QCOMPARE(Word(accepted, 24), 10002u);
        QCOMPARE(Word(accepted, 28), 2u);
        QCOMPARE(Word(accepted, 168), 5004u + 2);
    }

    // The development server's media side hears the registration.
    void registrationReachesTheDevServer() {
        WithoutSound();
        CKivDevServerProcess server;
        QVERIFY(server.start());
        QFile config(QStringLiteral("Config/config.ini"));
        QVERIFY(config.open(QIODevice::WriteOnly | QIODevice::Truncate));
        config.write(QStringLiteral("[media]\nipaddr=127.0.0.1\nport=%1\n")
                         .arg(server.mediaPort())
                         .toLatin1());
        config.close();
        CSoundLink session;
        session.SetAudioFormat(L"", 32000, 16, 2);
        session.SetSessionInfo(10001, 10003, 2);
        Start(session, 41234);
        QVERIFY(
            server.waitForLog(QStringLiteral("self 10001 peer 10003 state 2 audio port 41234")));
    }

    void noInputDevice() {
        WithoutSound();
        CUdpCatcher peer;
        CSoundLink session;
        session.SetAudioFormat(L"", 32000, 16, 2);
        QCOMPARE(Start(session, peer.Port()), 0);
        QVERIFY(!session.IsCapturing());
        QFile log(QStringLiteral("TarnLog.txt"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray lines = log.readAll();
        QVERIFY2(lines.contains("[Error]Failed to add audio capture device! hr = "
                                "80004005,<AudioCapture,234>\n"),
                 lines.constData());
        QVERIFY2(lines.contains("<AudioDecode,"), lines.constData());
        peer.Drain(300);
        QVERIFY(peer.Received().isEmpty());
    }

    void captureRunsWhileCallsAreOpen() {
        if (m_pulse.isEmpty()) {
            QSKIP("needs PULSE_SERVER (run under scripts/with-services)");
        }
        CUdpCatcher peer;
        CSoundLink session;
        // A source that is not there gives way to the default one.
        session.SetAudioFormat(L"kiv_no_such_source", 32000, 16, 2);
        const int first = Start(session, peer.Port());
        QVERIFY(session.IsCapturing() && session.HasEncoder());
        QCOMPARE(session.Capture().LastError(), std::string(CAudioCapture::kDeviceMissing));
        // The microphone's sound is encoded and sent (about 31 frames a second).
        QVERIFY(peer.WaitFor(10));
        const int second = Start(session, peer.Port());
        session.StopCall(first);
        QVERIFY(session.IsCapturing() && session.HasEncoder());
        session.StopCall(second);
        QVERIFY(!session.IsCapturing() && !session.HasEncoder());
        Start(session, peer.Port());
        QVERIFY(session.IsCapturing() && session.HasEncoder());
    }

    void receiveOnlyNeverDecodes() {
        if (m_pulse.isEmpty()) {
            QSKIP("needs PULSE_SERVER (run under scripts/with-services)");
        }
        const auto [portX, portY] = KivFreeUdpPorts();
        CSoundLink x;
        CSoundLink y;
        x.SetAudioFormat(L"", 32000, 16, 2);
        y.SetAudioFormat(L"", 32000, 16, 2);
        int idX = -1;
        int idY = -1;
        x.StartCall(L"127.0.0.1", portY, L"", portX, &idX, 0);
        y.StartCall(L"127.0.0.1", portX, L"", portY, &idY, CSoundLink::kReceiveOnly);
        QTRY_VERIFY_WITH_TIMEOUT(x.Decoder(idX)->FramesDecoded() > 5, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(y.Transport(idY)->FramesReceived() > 5, 10000);
        QCOMPARE(y.Decoder(idY)->FramesDecoded(), quint64(0));
    }

    // A call ends while the peer's sound plays: its playback's streaming
    // thread is inside a chunk when the decoder and graph go, and with the
    // session's last call the capture stops under its own thread too. Many
    // times over, the peer sending all along.
    void stopWhileSoundPlays() {
        if (m_pulse.isEmpty()) {
            QSKIP("needs PULSE_SERVER (run under scripts/with-services)");
        }
        const auto [portX, portY] = KivFreeUdpPorts();
        CSoundLink x;
        CSoundLink y;
        x.SetAudioFormat(L"", 32000, 16, 2);
        y.SetAudioFormat(L"", 32000, 16, 2);
        int idX = -1;
        x.StartCall(L"127.0.0.1", portY, L"", portX, &idX, 0);
        for (int round = 0; round < 8; ++round) {
            int idY = -1;
            y.StartCall(L"127.0.0.1", portX, L"", portY, &idY, 0);
            QTRY_VERIFY_WITH_TIMEOUT(y.Decoder(idY)->FramesDecoded() > 2, 10000);
            y.StopCall(idY);
            QVERIFY(y.CallIds().empty() && !y.IsCapturing());
        }
        // The side that stayed plays on.
        QVERIFY(x.Decoder(idX)->IsRunning() && x.IsCapturing());
    }

private:
    void WithoutSound() { qputenv("PULSE_SERVER", kNoServer); }

    QTemporaryDir m_dir;
    QString m_previousDir;
    QByteArray m_pulse;
    // The media server of this test.
    std::unique_ptr<CUdpCatcher> m_server;
};

KIV_TEST_CLASS(tst_CSoundLink)
#include "tst_CSoundLink.moc"
