#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "CKivFriendSocketCommon.h"
#include "KivConnectInUse.h"
#include "KivSocket.h"
#include "KivTestRegistry.h"

namespace {

struct Event {
    int code;
    int length;
    QByteArray data;
};

// Collects the socket's events as the worker thread reports them.
class EventLog {
public:
    static void callback(int event, char* data, int length, void* user) {
        auto* log = static_cast<EventLog*>(user);
        std::lock_guard<std::mutex> guard(log->m_lock);
        log->m_events.push_back(
            {event, length, data != nullptr ? QByteArray(data, length) : QByteArray()});
        log->m_changed.notify_all();
    }

    bool waitFor(size_t count, int timeoutMs = 5000) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_events.size() >= count; });
    }

    std::vector<Event> events() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Event> m_events;
};

QByteArray record(quint32 length, quint32 command) {
    QByteArray bytes(static_cast<int>(length), 'r');
    const quint32 words[] = {length, command, 0x1D1E1F1C, length, 0};
    std::memcpy(bytes.data(), words, sizeof(words));
    return bytes;
}

// A client socket with its event log, connected to a loopback listener.
struct Connection {
    EventLog log;
    CKivFriendSocketCommon socket;
    QTcpServer server;
    QTcpSocket* peer = nullptr;

    bool open() {
        if (!server.listen(QHostAddress::LocalHost)) {
            return false;
        }
        socket.set_proc_func(&EventLog::callback, &log, false);
        socket.connect_remote(-1, "127.0.0.1", server.serverPort(), false);
        if (!log.waitFor(1) || log.events().front().code != EVENT_CONNECTED ||
            !server.waitForNewConnection(5000)) {
            return false;
        }
        peer = server.nextPendingConnection();
        return peer != nullptr;
    }

    void send(const QByteArray& bytes) {
        peer->write(bytes);
        peer->waitForBytesWritten(5000);
    }
};

}  // namespace

class TestClientSocket : public QObject {
    Q_OBJECT

private slots:
    void connectsAndExchangesRecords() {
        Connection connection;
        QVERIFY(connection.open());
        const Event connected = connection.log.events().front();
        QCOMPARE(connected.length, connection.socket.get_binded_prot());
        QCOMPARE(connection.peer->peerPort(), quint16(connection.socket.get_binded_prot()));

        const QByteArray first = record(1052, 15);
        const QByteArray second = record(24, 10000);
        connection.send(first + second.left(10));
        QVERIFY(connection.log.waitFor(2));
        connection.send(second.mid(10));
        QVERIFY(connection.log.waitFor(3));
        const auto events = connection.log.events();
        QCOMPARE(events.at(1).code, int(EVENT_DATA));
        QCOMPARE(events.at(1).data, first);
        QCOMPARE(events.at(2).data, second);

        const QByteArray outgoing = record(352, 12);
        QCOMPARE(connection.socket.send_data(outgoing.constData(), outgoing.size()),
                 outgoing.size());
        QByteArray received;
        while (received.size() < outgoing.size() && connection.peer->waitForReadyRead(5000)) {
            received += connection.peer->readAll();
        }
        QCOMPARE(received, outgoing);

        char server[260] = {};
        connection.socket.get_server_ip(server, sizeof(server));
        QCOMPARE(QByteArray(server), QByteArray("127.0.0.1"));
    }

    void peerCloseReportsClosed() {
        Connection connection;
        QVERIFY(connection.open());
        connection.peer->close();
        QVERIFY(connection.log.waitFor(2));
        QCOMPARE(connection.log.events().at(1).code, int(EVENT_CLOSED));
    }

    void unusableStreamClosesTheConnection_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray badSignature = record(64, 15);
        badSignature.replace(8, 4, QByteArray(4, '\0'));
        QByteArray tooLong = record(64, 15);
        tooLong.replace(0, 4, QByteArray::fromHex("00410000"));
        QTest::newRow("bad signature") << badSignature;
        QTest::newRow("length above 16384") << tooLong;
        QTest::newRow("length below 20") << QByteArray::fromHex("0800000001000000");
    }

    void unusableStreamClosesTheConnection() {
        QFETCH(QByteArray, bytes);
        Connection connection;
        QVERIFY(connection.open());
        connection.send(record(24, 10000) + bytes);
        QVERIFY(connection.log.waitFor(3));
        const auto events = connection.log.events();
        QCOMPARE(events.size(), size_t(3));
        QCOMPARE(events.at(1).code, int(EVENT_DATA));
        QCOMPARE(events.at(2).code, int(EVENT_CLOSED));
        QVERIFY(connection.peer->state() == QAbstractSocket::UnconnectedState ||
                connection.peer->waitForDisconnected(5000));
    }

    void refusedConnectReportsFailure() {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        EventLog log;
        CKivFriendSocketCommon socket;
        socket.set_proc_func(&EventLog::callback, &log, false);
        socket.connect_remote(-1, "127.0.0.1", closedPort, false);
        QVERIFY(log.waitFor(1));
        QCOMPARE(log.events().front().code, int(EVENT_CONNECT_FAILED));
        QCOMPARE(log.events().front().length, 0);
        QCOMPARE(socket.get_connect_result(), int(KivSocketErrConnRefused));
    }

    void stopDuringReceiveReportsNothingMore() {
        Connection connection;
        QVERIFY(connection.open());
        QTest::qWait(50);  // let the worker block in its wait for data
        QElapsedTimer timer;
        timer.start();
        connection.socket.stop();
        connection.send(record(24, 10000));
        QTest::qWait(200);
        QCOMPARE(connection.log.events().size(), size_t(1));
        QVERIFY(connection.peer->state() == QAbstractSocket::UnconnectedState ||
                connection.peer->waitForDisconnected(5000));
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(connection.socket.send_data("x", 1) <= 0, true);
    }

    // Where each record ends in the stream of its connection.
    void sendsTellWhereTheirRecordEnds() {
        Connection connection;
        QVERIFY(connection.open());
        std::uint64_t firstEnd = 0;
        std::uint64_t secondEnd = 0;
        const QByteArray chat = record(1052, 15);
        QCOMPARE(connection.socket.send_data(chat.constData(), chat.size(), &firstEnd), 1052);
        QCOMPARE(connection.socket.send_data(chat.constData(), 24, &secondEnd), 24);
        QCOMPARE(firstEnd, std::uint64_t(1052));
        QCOMPARE(secondEnd, std::uint64_t(1076));
    }

    // A server that never completes the handshake (its queue of connections is
    // full, so the system drops the requests) costs the connection's time
    // limit, not minutes; the worker's limit is ten seconds. A limit of one
    // second shows the limit is kept without spending the worker's ten.
    void connectGivesUpAtItsTimeLimit() {
        QCOMPARE(CKivFriendTcpSelect::kConnectTimeoutMs, 10000);
        constexpr int kLimitMs = 1000;
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0);
        QVERIFY(::listen(listener, 0) == 0);
        socklen_t size = sizeof(address);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        const int port = ntohs(address.sin_port);
        // Fill the queue: the first connection waits there, unaccepted; the
        // second one's requests go on after its own short limit.
        std::vector<std::shared_ptr<KivSocket>> fillers;
        for (int i = 0; i < 2; ++i) {
            fillers.push_back(KivSocket::createTcp());
            fillers.back()->connectTo("127.0.0.1", port, 200);
        }
        std::shared_ptr<KivSocket> late = KivSocket::createTcp();
        QElapsedTimer timer;
        timer.start();
        const int result = late->connectTo("127.0.0.1", port, kLimitMs);
        const qint64 took = timer.elapsed();
        ::close(listener);
        QCOMPARE(result, int(KivSocketErrTimedOut));
        QVERIFY2(took >= kLimitMs - 50 && took < kLimitMs + 2000,
                 qPrintable(QString::number(took)));
    }

    void takenLocalPortIsSkipped() {
        QTcpServer target;
        QVERIFY(target.listen(QHostAddress::LocalHost));
        QTcpServer blocker;
        int taken = 0;
        for (int port = 40000; port < 60000 && taken == 0; port += 97) {
            if (KivSocket::portIsFree(port) && KivSocket::portIsFree(port + 1) &&
                blocker.listen(QHostAddress::Any, quint16(port))) {
                taken = port;
            }
        }
        QVERIFY(taken != 0);
        EventLog log;
        CKivFriendSocketCommon socket;
        socket.set_proc_func(&EventLog::callback, &log, false);
        socket.connect_remote(taken, "127.0.0.1", target.serverPort(), false);
        QCOMPARE(socket.get_binded_prot(), taken + 1);
        QVERIFY(log.waitFor(1));
        QCOMPARE(log.events().front().code, int(EVENT_CONNECTED));
    }

    // A connect refused because its address pair is still in use (10048) is
    // made again from the next local port, to the same server; one that never
    // stops being refused ends in a failure instead of trying forever.
    void addressInUseRetriesFromTheNextPort_data() {
        QTest::addColumn<int>("refusals");
        QTest::addColumn<bool>("connects");
        QTest::newRow("once") << 1 << true;
        QTest::newRow("always") << 1000 << false;
    }
    void addressInUseRetriesFromTheNextPort() {
        QFETCH(int, refusals);
        QFETCH(bool, connects);
        QTcpServer target;
        QVERIFY(target.listen(QHostAddress::LocalHost));
        int first = 0;
        for (int port = 41000; port < 60000 && first == 0; port += 89) {
            if (KivSocket::portIsFree(port) && KivSocket::portIsFree(port + 1)) {
                first = port;
            }
        }
        QVERIFY(first != 0);
        KivConnectInUse inUse(target.serverPort(), refusals);
        EventLog log;
        CKivFriendSocketCommon socket;
        socket.set_proc_func(&EventLog::callback, &log, false);
        socket.connect_remote(first, "127.0.0.1", target.serverPort(), false);
        QVERIFY(log.waitFor(1, 20000));
        const Event event = log.events().front();
        QCOMPARE(KivConnectInUse::localPort(0), first);
        if (connects) {
            QCOMPARE(event.code, int(EVENT_CONNECTED));
            QCOMPARE(KivConnectInUse::refused(), 1);
            QVERIFY(socket.get_binded_prot() > first);
            QCOMPARE(event.length, socket.get_binded_prot());
            QVERIFY(target.waitForNewConnection(5000));
            QTcpSocket* peer = target.nextPendingConnection();
            QCOMPARE(int(peer->peerPort()), socket.get_binded_prot());
        } else {
            QCOMPARE(event.code, int(EVENT_CONNECT_FAILED));
            QCOMPARE(KivConnectInUse::refused(), CKivFriendSocketCommon::kBindAttempts + 1);
            for (int i = 1; i < KivConnectInUse::refused(); ++i) {
                QVERIFY(KivConnectInUse::localPort(i) > KivConnectInUse::localPort(i - 1));
            }
            // The next attempt has its retries again.
            KivConnectInUse again(target.serverPort(), 1);
            socket.connect_remote(first, "127.0.0.1", target.serverPort(), false);
            QVERIFY(log.waitFor(2, 20000));
            QCOMPARE(log.events()[1].code, int(EVENT_CONNECTED));
            QCOMPARE(KivConnectInUse::refused(), 1);
        }
        QTest::qWait(100);
        QCOMPARE(log.events().size(), size_t(connects ? 1 : 2));
    }

    void localAddressIsDottedIPv4() {
        char address[64] = {};
        CKivFriendSocketCommon::get_local_ip(address, sizeof(address));
        QVERIFY(!QHostAddress(QString::fromLatin1(address)).isNull());
        QCOMPARE(QHostAddress(QString::fromLatin1(address)).protocol(),
                 QAbstractSocket::IPv4Protocol);
    }
};

KIV_TEST_CLASS(TestClientSocket)
#include "tst_CKivFriendSocketCommon.moc"
