#include <QtEndian>
#include <QtTest>
#include <chrono>
#include <mutex>
#include <vector>

#include "CAudioTran.h"
#include "CFrameAssembler.h"
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

std::int64_t SteadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Keeps every frame the transport delivers, with its sequence, and checks
// that its arrival lies in the last ten seconds and not in the future.
class CFrameCollector : public IRecvEvent {
public:
    void OnRecv(std::uint32_t sequence, const std::uint8_t* frame, int length, bool,
                std::int64_t arrivalUs, bool) override {
        const std::int64_t now = SteadyUs();
        std::lock_guard<std::mutex> guard(m_lock);
        m_frames.emplace_back(frame, frame + length);
        m_sequences.push_back(sequence);
        m_arrivalsSane = m_arrivalsSane && arrivalUs <= now && arrivalUs > now - 10'000'000;
    }
    std::vector<std::vector<std::uint8_t>> Frames() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_frames;
    }
    std::vector<std::uint32_t> Sequences() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_sequences;
    }
    bool ArrivalsSane() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_arrivalsSane;
    }

private:
    std::mutex m_lock;
    std::vector<std::vector<std::uint8_t>> m_frames;
    std::vector<std::uint32_t> m_sequences;
    bool m_arrivalsSane = true;
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
        // The copies of frames 0 and 1 passed the replay window (counters of
        // their own) and were dropped after opening, as duplicates.
        QTRY_COMPARE(callee.DuplicatesDropped(), 2u);
        QCOMPARE(callee.CopiesReceived(), 2u);
        callee.SendFrame(frame.data(), 300);
        QTRY_COMPARE(caller.FramesReceived(), 1u);

        const QList<QByteArray> seen = path.Seen();
        QCOMPARE(seen.size(), 5);
        const QByteArray clear(reinterpret_cast<const char*>(frame.data()), 64);
        for (int i = 0; i < seen.size(); ++i) {
            QCOMPARE(Word(seen[i], 0), 0x51522E01u);
            QCOMPARE(Word(seen[i], 8), quint32(i));
            QVERIFY(!seen[i].contains(clear));
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
        // Then frame 0 again, its head but for the magic, which a receiver
        // that knows only the first one refuses.
        QVERIFY(peer.WaitFor(5));
        const QByteArray copy = peer.Received()[4].bytes;
        QCOMPARE(Word(copy, 0), 0x51522002u);
        QCOMPARE(copy.mid(4), one.mid(4));
        CFrameAssembler documented;
        QCOMPARE(
            documented.Add(reinterpret_cast<const std::uint8_t*>(copy.constData()), copy.size()),
            CFrameAssembler::Result::Rejected);
        QCOMPARE(transport.FramesSent(), 2u);

        // Another call counts its own frames from 0; empty frames are not sent.
        CAudioTran second;
        QCOMPARE(second.Open("127.0.0.1", peer.Port(), "", KivFreeUdpPort()), 1);
        second.SendFrame(small.data(), 0);
        second.SendFrame(small.data(), 300);
        QVERIFY(peer.WaitFor(6));
        QCOMPARE(Word(peer.Received()[5].bytes, 0), 0x51522001u);
        QCOMPARE(Word(peer.Received()[5].bytes, 8), 0u);
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

    // What a real sender put on the wire reaches the receiver with losses
    // and a reordering: each frame is heard once, in order, whole; a copy
    // stands in for a lost first sending, also for one of three fragments
    // lost; a copy arriving between the fragments of a frame does not make
    // the receiver give that frame up.
    void copiesStandInForLostFrames() {
        CUdpCatcher wire;
        CAudioTran sender;
        QCOMPARE(sender.Open("127.0.0.1", wire.Port(), "", KivFreeUdpPort()), 1);
        const int lengths[] = {300, 301, 9000, 9003, 304, 305};
        std::vector<std::vector<std::uint8_t>> frames;
        for (int length : lengths) {
            frames.push_back(Counting(length));
            sender.SendFrame(frames.back().data(), length);
        }
        // Datagram by datagram, first sendings f and copies c:
        // 0 f0 | 1 f1, 2 c0 | 3-5 f2, 6 c1 | 7-9 f3, 10-12 c2 | 13 f4, 14-16 c3 | 17 f5, 18 c4
        QVERIFY(wire.WaitFor(19));
        const QVector<CUdpCatcher::Datagram>& sent = wire.Received();
        QString kinds;
        for (const CUdpCatcher::Datagram& datagram : sent) {
            kinds += Word(datagram.bytes, 0) == 0x51522002u ? QChar('c') : QChar('f');
        }
        QCOMPARE(kinds, QStringLiteral("ffcfffcfffcccfcccfc"));

        const auto [receiverPort, pathPort] = KivFreeUdpPorts();
        CAudioTran receiver;
        CFrameCollector heard;
        receiver.SetReceiveTarget(&heard);
        QCOMPARE(receiver.Open("127.0.0.1", pathPort, "", receiverPort), 1);
        auto path = KivUdpSocket::bindAny(pathPort);
        // Lost: f1, the middle of f2, all of c3. c2 comes between the
        // fragments of f3; c0 and c4 after their first sendings.
        for (int i : {0, 2, 3, 5, 6, 7, 8, 10, 11, 12, 9, 13, 17, 18}) {
            path->sendTo(0x7F000001, receiverPort, sent[i].bytes.constData(), sent[i].bytes.size());
        }
        QTRY_COMPARE(receiver.DuplicatesDropped(), quint64(2));
        QCOMPARE(heard.Sequences(), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 5}));
        QVERIFY(heard.Frames() == frames);
        QCOMPARE(receiver.FramesReceived(), quint64(6));
        QCOMPARE(receiver.CopiesReceived(), quint64(4));
        QCOMPARE(receiver.CopiesUsed(), quint64(2));
        QVERIFY(heard.ArrivalsSane());
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
        // The large frame's copy came after the small frame: not heard again.
        QTRY_COMPARE(b.DuplicatesDropped(), quint64(1));
        QCOMPARE(heard.Frames().size(), size_t(2));
        QCOMPARE(b.FramesReceived(), quint64(2));
        QVERIFY(heard.ArrivalsSane());
        // After Close nothing more is delivered.
        b.Close();
        a.SendFrame(small.data(), 300);
        QTest::qWait(200);
        QCOMPARE(heard.Frames().size(), size_t(2));
    }
};

KIV_TEST_CLASS(tst_CAudioTran)
#include "tst_CAudioTran.moc"
