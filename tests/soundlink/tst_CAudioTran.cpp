#include <QtEndian>
#include <QtTest>
#include <mutex>
#include <vector>

#include "CAudioTran.h"
#include "CMediaCallKeys.h"
#include "CMediaTap.h"
#include "CSoundPeer.h"
#include "CUdpCatcher.h"
#include "KivTestRegistry.h"
#include "KivUdpSocket.h"

namespace {

quint32 Word(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 Half(const QByteArray& bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

std::vector<std::uint8_t> Counting(int length) {
    std::vector<std::uint8_t> frame(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        frame[static_cast<size_t>(i)] = static_cast<std::uint8_t>(i * 7);
    }
    return frame;
}

// Keeps every frame the transport delivers.
class CFrameCollector : public IRecvEvent {
public:
    void OnRecv(std::uint32_t, const std::uint8_t* frame, int length, bool keyFlag) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_frames.emplace_back(frame, frame + length);
        m_keyFlags.push_back(keyFlag);
    }
    std::vector<std::vector<std::uint8_t>> Frames() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_frames;
    }

private:
    std::mutex m_lock;
    std::vector<std::vector<std::uint8_t>> m_frames;
    std::vector<bool> m_keyFlags;
};

}  // namespace

class tst_CAudioTran : public QObject {
    Q_OBJECT
private slots:
    // An encrypted call through a point on the path: the callee is silent
    // until the caller's first datagram, the path sees no frame bytes, and
    // what the path replays, tampers or makes up, or a stranger sends, is
    // not heard, while the call plays on.
    void aSealedCallHearsOnlyThePeer() {
        auto callerKeys = CMediaCallKeys::ForCaller(7, 9);
        auto calleeKeys = CMediaCallKeys::ForCallee(7, 9, callerKeys->OwnTail());
        callerKeys->TakeAnswer(calleeKeys->OwnTail());
        const auto [callerPort, calleePort] = KivFreeUdpPorts();
        CMediaTap path(calleePort);
        CAudioTran caller;
        CAudioTran callee;
        CFrameCollector heardByCallee;
        caller.SetCallKeys(callerKeys);
        callee.SetCallKeys(calleeKeys);
        QCOMPARE(callee.Open("127.0.0.1", callerPort, "", calleePort), 1);
        callee.SetReceiveTarget(&heardByCallee);
        QCOMPARE(caller.Open("127.0.0.1", path.Port(), "", callerPort), 1);

        const auto frame = Counting(300);
        callee.SendFrame(frame.data(), 300);
        QTest::qWait(100);
        QCOMPARE(caller.FramesReceived(), 0u);
        for (int i = 0; i < 3; ++i) {
            caller.SendFrame(frame.data(), 300);
        }
        QTRY_COMPARE(heardByCallee.Frames().size(), size_t(3));
        callee.SendFrame(frame.data(), 300);
        QTRY_COMPARE(caller.FramesReceived(), 1u);

        const QList<QByteArray> seen = path.Seen();
        QCOMPARE(seen.size(), 3);
        const QByteArray clear(reinterpret_cast<const char*>(frame.data()), 64);
        for (const QByteArray& datagram : seen) {
            QCOMPARE(Word(datagram, 0), 0x51522E01u);
            QVERIFY(!datagram.contains(clear));
        }
        // A counter not taken yet, so only the tag can tell.
        QByteArray tampered = seen[2];
        qToLittleEndian<quint32>(1000, tampered.data() + 8);
        QByteArray plain(316, '\0');
        qToLittleEndian<quint32>(0x51522001u, plain.data());
        qToLittleEndian<quint16>(1, plain.data() + 6);
        qToLittleEndian<quint32>(99, plain.data() + 8);
        qToLittleEndian<quint16>(300, plain.data() + 14);
        path.Inject(seen[1]);
        path.Inject(tampered);
        path.Inject(plain);
        auto stranger = KivUdpSocket::bindAny(0);
        stranger->sendTo(0x7F000001, calleePort, seen[2].constData(), seen[2].size());
        QTRY_COMPARE(callee.GuardCounts().foreignSource, 1u);
        const CMediaGuard::Counts counts = callee.GuardCounts();
        QCOMPARE(counts.replayed, 1u);
        QCOMPARE(counts.unauthenticated, 1u);
        QCOMPARE(counts.plainRefused, 1u);

        caller.SendFrame(frame.data(), 300);
        QTRY_COMPARE(heardByCallee.Frames().size(), size_t(4));
        for (const auto& heard : heardByCallee.Frames()) {
            QVERIFY(heard == frame);
        }
    }

    void framesOnTheWire() {
        CUdpCatcher peer;
        CAudioTran transport;
        QCOMPARE(transport.Open("127.0.0.1", peer.Port(), "", KivFreeUdpPort()), 1);

        const auto small = Counting(300);
        transport.SendFrame(small.data(), 300);
        QVERIFY(peer.WaitFor(1));
        const QByteArray one = peer.Received()[0].bytes;
        QCOMPARE(one.size(), 316);
        QCOMPARE(Word(one, 0), 0x51522001u);
        QCOMPARE(Half(one, 4), quint16(0));
        QCOMPARE(Half(one, 6), quint16(1));
        QCOMPARE(Word(one, 8), 0u);
        QCOMPARE(Half(one, 12), quint16(1));
        QCOMPARE(Half(one, 14), quint16(300));
        QCOMPARE(one.mid(16), QByteArray(reinterpret_cast<const char*>(small.data()), 300));

        const auto large = Counting(9000);
        transport.SendFrame(large.data(), 9000);
        QVERIFY(peer.WaitFor(4));
        const int sizes[] = {4096, 4096, 856};
        for (int index = 0; index < 3; ++index) {
            const QByteArray part = peer.Received()[1 + index].bytes;
            QCOMPARE(part.size(), sizes[index]);
            QCOMPARE(Half(part, 4), quint16(index));
            QCOMPARE(Half(part, 6), quint16(3));
            QCOMPARE(Word(part, 8), 1u);
            QCOMPARE(Half(part, 14), quint16(sizes[index] - 16));
            QCOMPARE(part.mid(16),
                     QByteArray(reinterpret_cast<const char*>(large.data()) + index * 4080,
                                sizes[index] - 16));
        }
        QCOMPARE(transport.FramesSent(), 2u);

        // Another call counts its own frames from 0; empty frames are not sent.
        CAudioTran second;
        QCOMPARE(second.Open("127.0.0.1", peer.Port(), "", KivFreeUdpPort()), 1);
        second.SendFrame(small.data(), 0);
        second.SendFrame(small.data(), 300);
        QVERIFY(peer.WaitFor(5));
        QCOMPARE(Word(peer.Received()[4].bytes, 8), 0u);
        QCOMPARE(second.FramesSent(), 1u);
    }

    void redirectAndUnopened() {
        CUdpCatcher first;
        CUdpCatcher second;
        CAudioTran transport;
        const int port = KivFreeUdpPort();
        QCOMPARE(transport.Open("127.0.0.1", first.Port(), "", port), 1);
        transport.SetRemoteAddress("127.0.0.1", second.Port());
        const auto frame = Counting(300);
        transport.SendFrame(frame.data(), 300);
        QVERIFY(second.WaitFor(1));
        QCOMPARE(int(second.Received()[0].fromPort), port);

        // A transport whose port is taken sends nothing at all.
        CAudioTran blocked;
        QCOMPARE(blocked.Open("127.0.0.1", first.Port(), "", port), 0);
        blocked.SendFrame(frame.data(), 300);
        blocked.SendRegistration(1, 2, 2, SoundLinkMediaServer{0x7F000001u, first.Port(), true});
        first.Drain(200);
        QVERIFY(first.Received().isEmpty());
    }

    void registration_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<quint32>("audioPort");
        QTest::newRow("accepted carries the remote port") << 2 << 5004u;
        QTest::newRow("request") << 1 << 0u;
        QTest::newRow("hand-over") << 11 << 0u;
    }
    void registration() {
        QFETCH(int, state);
        QFETCH(quint32, audioPort);
        CUdpCatcher server;
        CAudioTran transport;
        QCOMPARE(transport.Open("127.0.0.1", 5004, "", KivFreeUdpPort()), 1);
        transport.SendRegistration(10001, 10002, state,
                                   SoundLinkMediaServer{0x7F000001u, server.Port(), true});
        QVERIFY(server.WaitFor(1));
        const QByteArray message = server.Received()[0].bytes;
        QCOMPARE(message.size(), 176);
        QCOMPARE(Word(message, 0), 176u);
        QCOMPARE(Word(message, 4), 11001u);
        QCOMPARE(Word(message, 8), 0x1D1E1F1Cu);
        QCOMPARE(Word(message, 12), 176u);
        QCOMPARE(Word(message, 20), 10001u);
        QCOMPARE(Word(message, 24), 10002u);
        QCOMPARE(Word(message, 28), quint32(state));
        QCOMPARE(Word(message, 168), audioPort);
        QCOMPARE(message.mid(32, 136).count('\0'), 136);
        QCOMPARE(Word(message, 172), 0u);
    }

    void framesCrossBetweenTransports() {
        const auto [portA, portB] = KivFreeUdpPorts();
        CAudioTran a;
        CAudioTran b;
        CFrameCollector heard;
        b.SetReceiveTarget(&heard);
        QCOMPARE(a.Open("127.0.0.1", portB, "", portA), 1);
        QCOMPARE(b.Open("127.0.0.1", portA, "", portB), 1);
        const auto large = Counting(9000);
        const auto small = Counting(300);
        a.SendFrame(large.data(), 9000);
        a.SendFrame(small.data(), 300);
        QTRY_COMPARE(heard.Frames().size(), size_t(2));
        QVERIFY(heard.Frames()[0] == large);
        QVERIFY(heard.Frames()[1] == small);
        QCOMPARE(b.FramesReceived(), quint64(2));
        // After Close nothing more is delivered.
        b.Close();
        a.SendFrame(small.data(), 300);
        QTest::qWait(200);
        QCOMPARE(heard.Frames().size(), size_t(2));
    }
};

KIV_TEST_CLASS(tst_CAudioTran)
#include "tst_CAudioTran.moc"
