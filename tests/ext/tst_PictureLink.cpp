#include <QtTest>

#include <pthread.h>
#include <atomic>
#include <csignal>
#include <cstring>
#include <random>
#include <thread>

#include "CMediaCallKeys.h"
#include "CMediaTap.h"
#include "CPictureReassembler.h"
#include "CPictureTransport.h"
#include "CSocketBreaker.h"
#include "KivTestRegistry.h"
#include "KivUdpSocket.h"
#include "PictureFragment.h"
#include "PictureStamp.h"

namespace {

using Datagram = std::vector<std::uint8_t>;

std::vector<Datagram> CutFrame(const std::vector<std::uint8_t>& frame, std::uint32_t sequence) {
    std::vector<Datagram> datagrams;
    PictureFragment::Cut(
        frame.data(), int(frame.size()), sequence,
        [&](const std::uint8_t* data, int length) { datagrams.emplace_back(data, data + length); });
    return datagrams;
}

std::vector<std::uint8_t> Frame(int length, std::uint8_t seed) {
    std::vector<std::uint8_t> frame(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        frame[size_t(i)] = std::uint8_t(seed + i * 7);
    }
    return frame;
}

struct Collected {
    std::vector<std::vector<std::uint8_t>> frames;
    CPictureReassembler::FrameSink sink() {
        return [this](const std::uint8_t* data, int length) {
            frames.emplace_back(data, data + length);
        };
    }
};

}  // namespace

class tst_PictureLink : public QObject {
    Q_OBJECT
private slots:
    void cutsFramesIntoDatagrams_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("sizes");
        QTest::newRow("one small") << 300 << QList<int>{316};
        QTest::newRow("exactly one payload") << 4080 << QList<int>{4096};
        QTest::newRow("three") << 9000 << QList<int>{4096, 4096, 856};
        QTest::newRow("empty") << 0 << QList<int>{};
        QTest::newRow("largest") << PictureFragment::kMaxFrameBytes
                                 << QVector<int>(PictureFragment::kMaxFragments, 4096).toList();
        QTest::newRow("too large") << PictureFragment::kMaxFrameBytes + 1 << QList<int>{};
    }
    void cutsFramesIntoDatagrams() {
        QFETCH(int, length);
        QFETCH(QList<int>, sizes);
        const auto datagrams = CutFrame(Frame(length, 1), 77);
        QCOMPARE(int(datagrams.size()), sizes.size());
        for (int i = 0; i < sizes.size(); ++i) {
            QCOMPARE(int(datagrams[size_t(i)].size()), sizes[i]);
            PictureFragment::Head head;
            QVERIFY(PictureFragment::Parse(datagrams[size_t(i)].data(), sizes[i], &head));
            QCOMPARE(int(head.index), i);
            QCOMPARE(int(head.count), sizes.size());
            QCOMPARE(head.sequence, 77u);
            QCOMPARE(int(head.flag), 1);
        }
    }

    void refusesMalformedDatagrams_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("trim");
        QTest::newRow("magic") << 0 << 0x00 << 0;
        QTest::newRow("index beyond count") << 4 << 5 << 0;
        QTest::newRow("count zero") << 6 << 0 << 0;
        QTest::newRow("count beyond limit") << 7 << 0x7f << 0;
        QTest::newRow("payload longer than the datagram") << 15 << 0x10 << 0;
        QTest::newRow("datagram cut short") << 0 << -1 << 100;
    }
    void refusesMalformedDatagrams() {
        QFETCH(int, offset);
        QFETCH(int, value);
        QFETCH(int, trim);
        auto datagrams = CutFrame(Frame(9000, 3), 1);
        Datagram& first = datagrams[0];
        if (value >= 0) {
            first[size_t(offset)] = std::uint8_t(value);
        }
        PictureFragment::Head head;
        QVERIFY(!PictureFragment::Parse(first.data(), int(first.size()) - trim, &head));
        QVERIFY(!PictureFragment::Parse(first.data(), 10, &head));
    }

    // Only whole frames come out, whatever the order of their pieces; a frame
    // missing a piece is dropped once a newer one begins, and late pieces of
    // an older frame change nothing.
    void reassemblesCompleteFramesOnly() {
        Collected out;
        CPictureReassembler reassembler(out.sink());
        const auto frame1 = Frame(9000, 1);
        const auto frame2 = Frame(5000, 2);
        const auto frame3 = Frame(100, 3);
        auto pieces1 = CutFrame(frame1, 10);
        auto pieces2 = CutFrame(frame2, 11);
        auto pieces3 = CutFrame(frame3, 12);

        reassembler.Add(pieces1[2].data(), int(pieces1[2].size()));
        reassembler.Add(pieces1[0].data(), int(pieces1[0].size()));
        reassembler.Add(pieces1[0].data(), int(pieces1[0].size()));
        QVERIFY(out.frames.empty());
        reassembler.Add(pieces1[1].data(), int(pieces1[1].size()));
        QCOMPARE(out.frames.size(), size_t(1));
        QVERIFY(out.frames[0] == frame1);
        // A repeated piece of a delivered frame does not deliver it again.
        reassembler.Add(pieces1[1].data(), int(pieces1[1].size()));
        QCOMPARE(out.frames.size(), size_t(1));

        reassembler.Add(pieces2[0].data(), int(pieces2[0].size()));
        reassembler.Add(pieces3[0].data(), int(pieces3[0].size()));
        reassembler.Add(pieces2[1].data(), int(pieces2[1].size()));
        QCOMPARE(out.frames.size(), size_t(2));
        QVERIFY(out.frames[1] == frame3);
        QCOMPARE(reassembler.DroppedFrames(), 1ull);
    }

    void followsASenderThatStartsAgain() {
        Collected out;
        CPictureReassembler reassembler(out.sink());
        for (std::uint32_t sequence : {5000u, 5001u, 0u, 1u}) {
            for (const auto& piece : CutFrame(Frame(5000, std::uint8_t(sequence)), sequence)) {
                reassembler.Add(piece.data(), int(piece.size()));
            }
        }
        QCOMPARE(out.frames.size(), size_t(4));
        QVERIFY(out.frames[3] == Frame(5000, 1));
    }

    // Two transports on loopback send each other frames; shuffled and lost
    // datagrams are handled by the reassembler above.
    // An encrypted call's pictures: the path sees no frame bytes, and a
    // stranger's fragment far ahead or a copy from the path does not freeze
    // or break the picture.
    void aSealedCallSeesOnlyThePeer() {
        auto callerKeys = CMediaCallKeys::ForCaller(7, 9);
        auto calleeKeys = CMediaCallKeys::ForCallee(7, 9, callerKeys->OwnTail());
        callerKeys->TakeAnswer(calleeKeys->OwnTail());
        auto socketA = KivUdpSocket::bindAny(0);
        auto socketB = KivUdpSocket::bindAny(0);
        QVERIFY(socketA && socketB);
        const int portB = socketB->localPort();
        std::mutex lock;
        std::vector<std::vector<std::uint8_t>> atB;
        CPictureTransport a(
            std::move(socketA), [](const std::uint8_t*, int) {}, callerKeys);
        CPictureTransport b(
            std::move(socketB),
            [&](const std::uint8_t* data, int length) {
                std::lock_guard<std::mutex> guard(lock);
                atB.emplace_back(data, data + length);
            },
            calleeKeys);
        CMediaTap path(portB);
        a.SetRemote(0x7F000001, path.Port());
        const auto keyFrame = Frame(9000, 9);
        const auto countAtB = [&] {
            std::lock_guard<std::mutex> guard(lock);
            return atB.size();
        };
        a.SendFrame(keyFrame.data(), int(keyFrame.size()));
        QTRY_COMPARE(countAtB(), size_t(1));

        const QList<QByteArray> seen = path.Seen();
        QCOMPARE(seen.size(), 3);
        const QByteArray clear(reinterpret_cast<const char*>(keyFrame.data()) + 100, 64);
        for (const QByteArray& datagram : seen) {
            QVERIFY(!datagram.contains(clear));
        }
        auto stranger = KivUdpSocket::bindAny(0);
        std::uint8_t ahead[16 + 50] = {};
        const std::uint32_t magic = 0x51522001;
        std::memcpy(ahead, &magic, 4);
        ahead[6] = 1;
        ahead[11] = 0x40;  // sequence far ahead
        ahead[14] = 50;
        stranger->sendTo(0x7F000001, portB, ahead, sizeof(ahead));
        path.Inject(QByteArray(reinterpret_cast<const char*>(ahead), sizeof(ahead)));
        path.Inject(seen[0]);
        QTRY_COMPARE(b.GuardCounts().foreignSource, 1u);
        QTRY_COMPARE(b.GuardCounts().plainRefused, 1u);
        QTRY_COMPARE(b.GuardCounts().replayed, 1u);

        const auto next = Frame(700, 4);
        a.SendFrame(next.data(), int(next.size()));
        QTRY_COMPARE(countAtB(), size_t(2));
        std::lock_guard<std::mutex> guard(lock);
        QVERIFY(atB[0] == keyFrame);
        QVERIFY(atB[1] == next);
    }

    void transportsCarryFramesBothWays() {
        auto socketA = KivUdpSocket::bindAny(0);
        auto socketB = KivUdpSocket::bindAny(0);
        QVERIFY(socketA && socketB);
        const int portA = socketA->localPort();
        const int portB = socketB->localPort();
        std::mutex lock;
        std::vector<std::vector<std::uint8_t>> atA;
        std::vector<std::vector<std::uint8_t>> atB;
        CPictureTransport a(std::move(socketA), [&](const std::uint8_t* data, int length) {
            std::lock_guard<std::mutex> guard(lock);
            atA.emplace_back(data, data + length);
        });
        CPictureTransport b(std::move(socketB), [&](const std::uint8_t* data, int length) {
            std::lock_guard<std::mutex> guard(lock);
            atB.emplace_back(data, data + length);
        });
        std::uint32_t loopback = 0;
        QVERIFY(KivUdpSocket::parseIPv4("127.0.0.1", &loopback));
        // Nothing goes out before a remote is known.
        const auto keyFrame = Frame(20000, 9);
        a.SendFrame(keyFrame.data(), int(keyFrame.size()));
        a.SetRemote(loopback, portB);
        b.SetRemote(loopback, portA);
        a.SendFrame(keyFrame.data(), int(keyFrame.size()));
        const auto small = Frame(700, 4);
        b.SendFrame(small.data(), int(small.size()));
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard<std::mutex> guard(lock);
                return atA.size() == 1 && atB.size() == 1;
            }(),
            10000);
        std::lock_guard<std::mutex> guard(lock);
        QVERIFY(atB[0] == keyFrame);
        QVERIFY(atA[0] == small);
    }

    // A receive socket that failed for good is said once and ends the
    // receive thread instead of spinning a core on it; sending goes on.
    void aFailedSocketIsSaidOnceAndNotSpunOn() {
        auto socket = KivUdpSocket::bindAny(0);
        QVERIFY(socket);
        const int port = socket->localPort();
        CPictureTransport transport(std::move(socket), [](const std::uint8_t*, int) {});
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("video socket failed")));
        QVERIFY(BreakUdpSocket(port));
        QTRY_VERIFY_WITH_TIMEOUT(transport.ReceiveFailed(), 3000);
        const double cpu = ProcessCpuMs();
        QTest::qWait(500);
        QVERIFY2(ProcessCpuMs() - cpu < 200, "the receive thread spins");
    }

    // A signal that cuts the wait short (a child ending, a timer) is no
    // failure: the call window gets many, and its video must not stop.
    void aSignalDuringTheWaitIsNoFailure() {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        struct sigaction before {};
        QCOMPARE(sigaction(SIGUSR1, &action, &before), 0);
        auto socket = KivUdpSocket::bindAny(0);
        QVERIFY(socket);
        std::atomic<int> result{-2};
        std::thread waiter([&] {
            char buffer[64];
            result = socket->receive(buffer, sizeof(buffer), 3000);
        });
        QTest::qWait(200);
        pthread_kill(waiter.native_handle(), SIGUSR1);
        waiter.join();
        sigaction(SIGUSR1, &before, nullptr);
        QCOMPARE(result.load(), 0);
    }

    // The stamp written into the luma plane reads back from the decoded RGB
    // picture, also after small changes of level.
    void stampSurvivesTheRoundTrip_data() {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("noise");
        QTest::newRow("zero") << 0u << 0;
        QTest::newRow("all ones") << 0xffffffffu << 0;
        QTest::newRow("mixed, noisy") << 0x5a3c0ff1u << 12;
    }
    void stampSurvivesTheRoundTrip() {
        QFETCH(quint32, value);
        QFETCH(int, noise);
        const int width = 320;
        const int height = 240;
        std::vector<std::uint8_t> luma(size_t(width * height), 60);
        PictureStamp::Write(luma.data(), width, width, height, value);
        std::mt19937 random(7);
        std::vector<std::uint8_t> bgr(size_t(width * height * 3));
        for (int row = 0; row < height; ++row) {
            for (int x = 0; x < width; ++x) {
                const int y = luma[size_t(row * width + x)];
                const int jitter = noise == 0 ? 0 : int(random() % unsigned(2 * noise)) - noise;
                const int level = qBound(0, int((y - 16) * 1.164) + jitter, 255);
                std::uint8_t* pixel = &bgr[size_t((row * width + x) * 3)];
                pixel[0] = pixel[1] = pixel[2] = std::uint8_t(level);
            }
        }
        quint32 read = 0;
        QVERIFY(PictureStamp::ReadBgr(bgr.data(), width * 3, width, height, &read));
        QCOMPARE(read, value);
        QVERIFY(!PictureStamp::ReadBgr(bgr.data(), 100 * 3, 100, height, &read));
    }
};

KIV_TEST_CLASS(tst_PictureLink)
#include "tst_PictureLink.moc"
