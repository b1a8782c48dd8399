#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "CSocketBreaker.h"
#include "KivTestRegistry.h"
#include "WireCore2.h"

namespace {

std::int64_t SteadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class CSink : public INetEvent2 {
public:
    std::int32_t OnRecvFrom(const WireSource& source, const std::uint8_t* data,
                            int length) override {
        std::unique_lock<std::mutex> guard(m_lock);
        m_datagrams.emplace_back(reinterpret_cast<const char*>(data), length);
        m_ports.push_back(source.port);
        m_addresses.push_back(source.ipv4);
        m_arrivals.push_back(source.arrivalUs);
        m_handled.push_back(SteadyUs());
        m_held = m_hold;
        m_changed.notify_all();
        m_changed.wait(guard, [this] { return !m_hold; });
        return kOk;
    }
    // Keeps the receive thread in the next OnRecvFrom until Release.
    void Hold() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_hold = true;
    }
    bool Holding() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_held;
    }
    void Release() {
        std::lock_guard<std::mutex> guard(m_lock);
        m_hold = false;
        m_changed.notify_all();
    }
    std::int64_t ArrivalAt(int i) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_arrivals[size_t(i)];
    }
    std::int64_t HandledAt(int i) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_handled[size_t(i)];
    }
    void OnReceiveFailed(int error) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_failures.push_back(error);
    }
    std::vector<int> Failures() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_failures;
    }
    int Count() {
        std::lock_guard<std::mutex> guard(m_lock);
        return int(m_datagrams.size());
    }
    QByteArray At(int i) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_datagrams[size_t(i)];
    }
    std::uint16_t PortAt(int i) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_ports[size_t(i)];
    }
    std::uint32_t AddressAt(int i) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_addresses[size_t(i)];
    }

private:
    std::mutex m_lock;
    std::vector<QByteArray> m_datagrams;
    std::vector<std::uint16_t> m_ports;
    std::vector<std::uint32_t> m_addresses;
    std::vector<std::int64_t> m_arrivals;
    std::vector<std::int64_t> m_handled;
    std::vector<int> m_failures;
    std::condition_variable m_changed;
    bool m_hold = false;
    bool m_held = false;
};

int FreePort() {
    QUdpSocket probe;
    probe.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return probe.localPort();
}

// A kernel receiving on a free port into sink, with a 100-byte buffer; null
// when it does not start.
std::unique_ptr<IUDPWireCore2> StartKernel(CSink* sink, int* port) {
    std::unique_ptr<IUDPWireCore2> kernel(A_CreateUDPWireCore2());
    *port = FreePort();
    kernel->SetEventSink(sink);
    kernel->Configure(100, std::uint16_t(*port), 0);
    if (kernel->Start() < 0) {
        kernel.reset();
    }
    return kernel;
}

}  // namespace

class tst_WireCore2 : public QObject {
    Q_OBJECT
private slots:
    void receivesAndSendsOnOneSocket() {
        CSink sink;
        int port = 0;
        const std::unique_ptr<IUDPWireCore2> kernel = StartKernel(&sink, &port);
        QVERIFY(kernel);

        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
        peer.writeDatagram(QByteArray(200, 'x'), QHostAddress::LocalHost, quint16(port));
        peer.writeDatagram(QByteArray("hello"), QHostAddress::LocalHost, quint16(port));
        // The datagram larger than the buffer never reaches the sink.
        QTRY_COMPARE(sink.Count(), 1);
        QCOMPARE(sink.At(0), QByteArray("hello"));
        QCOMPARE(int(sink.PortAt(0)), int(peer.localPort()));
        QCOMPARE(sink.AddressAt(0), 0x7F000001u);

        // Sends leave from the bound port.
        QCOMPARE(kernel->SendTo(0x7F000001u, peer.localPort(), "abc", 3), 3);
        QVERIFY(peer.waitForReadyRead(5000));
        const QNetworkDatagram answer = peer.receiveDatagram();
        QCOMPARE(answer.data(), QByteArray("abc"));
        QCOMPARE(answer.senderPort(), port);

        // A second kernel cannot take the same port.
        std::unique_ptr<IUDPWireCore2> other(A_CreateUDPWireCore2());
        other->Configure(100, std::uint16_t(port), 0);
        QVERIFY(other->Start() < 0);
        QCOMPARE(other->SendTo(0x7F000001u, peer.localPort(), "abc", 3), -1);

        // Stopped, nothing more arrives and the port is free again.
        kernel->Stop();
        peer.writeDatagram(QByteArray("late"), QHostAddress::LocalHost, quint16(port));
        QTest::qWait(100);
        QCOMPARE(sink.Count(), 1);
        QCOMPARE(kernel->SendTo(0x7F000001u, peer.localPort(), "abc", 3), -1);
        QVERIFY(other->Start() >= 0);
    }

    // A datagram carries the moment the system took it in, on the steady
    // clock: one that waited while the receive thread was busy keeps the
    // moment it came, not the one it was read at. None lies in the future.
    void arrivalTimesComeFromTheSystem() {
        CSink sink;
        int port = 0;
        const std::unique_ptr<IUDPWireCore2> kernel = StartKernel(&sink, &port);
        QVERIFY(kernel);
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));

        const std::int64_t before = SteadyUs();
        sink.Hold();
        peer.writeDatagram(QByteArray("one"), QHostAddress::LocalHost, quint16(port));
        QTRY_VERIFY(sink.Holding());
        peer.writeDatagram(QByteArray("two"), QHostAddress::LocalHost, quint16(port));
        // "two" waits in the socket meanwhile.
        QTest::qWait(50);
        const std::int64_t released = SteadyUs();
        sink.Release();
        QTRY_COMPARE(sink.Count(), 2);
        for (int i = 0; i < 2; ++i) {
            // Generous: only a clock mixed up would miss it.
            QVERIFY(sink.ArrivalAt(i) > before - 1'000'000);
            QVERIFY(sink.ArrivalAt(i) <= sink.HandledAt(i));
        }
        QVERIFY(sink.ArrivalAt(1) < released);
        QVERIFY(sink.HandledAt(1) >= released);
    }

    // A socket that failed for good is reported once to the sink and ends
    // the receive thread, which neither spins nor keeps Stop waiting; what
    // the network says about single datagrams (a refusing peer) is no failure.
    void aFailedSocketIsReportedAndEndsTheThread() {
        CSink sink;
        int port = 0;
        const std::unique_ptr<IUDPWireCore2> kernel = StartKernel(&sink, &port);
        QVERIFY(kernel);
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
        // Refused by a closed port: ICMP comes back to the kernel's socket.
        QUdpSocket closed;
        QVERIFY(closed.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const quint16 closedPort = closed.localPort();
        closed.close();
        QCOMPARE(kernel->SendTo(0x7F000001u, closedPort, "abc", 3), 3);
        peer.writeDatagram(QByteArray("one"), QHostAddress::LocalHost, quint16(port));
        QTRY_COMPARE(sink.Count(), 1);
        QVERIFY(sink.Failures().empty());

        QVERIFY(BreakUdpSocket(port));
        peer.writeDatagram(QByteArray("wake"), QHostAddress::LocalHost, quint16(port));
        QTRY_COMPARE(sink.Failures().size(), size_t(1));
        QCOMPARE(sink.Failures()[0], ENOTSOCK);
        const double cpu = ProcessCpuMs();
        QTest::qWait(500);
        QVERIFY2(ProcessCpuMs() - cpu < 200, "the receive thread spins");
        QCOMPARE(sink.Failures().size(), size_t(1));
        QElapsedTimer stopping;
        stopping.start();
        kernel->Stop();
        QVERIFY(stopping.elapsed() < 1000);
    }
};

KIV_TEST_CLASS(tst_WireCore2)
#include "tst_WireCore2.moc"
