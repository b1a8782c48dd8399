#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cstring>
#include <mutex>
#include <thread>

#include "CKivFriendSocketCommon.h"
#include "CKivFriendTcpSelect.h"
#include "KivSocket.h"
#include "KivTestCertificates.h"
#include "KivTestRegistry.h"
#include "KivTls.h"

namespace {

struct Event {
    int code;
    QByteArray data;
};

// The socket's events, gathered on its worker thread and read on the test's,
// whose event loop keeps running meanwhile: the test's server needs it for
// its side of the handshake.
class Events {
public:
    static void callback(int event, char* data, int length, void* user) {
        auto* self = static_cast<Events*>(user);
        std::lock_guard<std::mutex> guard(self->m_lock);
        self->m_events.push_back(
            {event, data != nullptr ? QByteArray(data, length) : QByteArray()});
    }
    bool waitFor(int count, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return size() >= count; }, timeoutMs);
    }
    int size() {
        std::lock_guard<std::mutex> guard(m_lock);
        return int(m_events.size());
    }
    Event at(int i) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events.at(size_t(i));
    }

private:
    std::mutex m_lock;
    std::vector<Event> m_events;
};

QByteArray record(quint32 length, quint32 command, char fill = 'r') {
    QByteArray bytes(static_cast<int>(length), fill);
    const quint32 words[] = {length, command, 0x1D1E1F1C, length, 0};
    std::memcpy(bytes.data(), words, sizeof(words));
    return bytes;
}

// The server side: TLS with a given certificate, or plain TCP.
class Peer : public QTcpServer {
public:
    QString certificate;
    QString key;

    QTcpSocket* next() { return waitForNewConnection(5000) ? nextPendingConnection() : nullptr; }

protected:
    void incomingConnection(qintptr descriptor) override {
        if (certificate.isEmpty()) {
            QTcpServer::incomingConnection(descriptor);
            return;
        }
        auto* socket = new QSslSocket(this);
        socket->setSocketDescriptor(descriptor);
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificateChain(QSslCertificate::fromPath(certificate));
        QFile file(key);
        file.open(QIODevice::ReadOnly);
        config.setPrivateKey(QSslKey(file.readAll(), QSsl::Ec));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        socket->setSslConfiguration(config);
        addPendingConnection(socket);
        socket->startServerEncryption();
    }
};

struct Client {
    Events events;
    CKivFriendSocketCommon socket;

    void connect(quint16 port, const CKivTlsSettings& tls) {
        socket.set_proc_func(&Events::callback, &events, false);
        socket.set_tls(tls);
        socket.connect_remote(-1, "127.0.0.1", port, false);
    }
};

QByteArray readAtLeast(QTcpSocket* peer, int count) {
    QByteArray bytes;
    (void)QTest::qWaitFor(
        [&] {
            bytes += peer->readAll();
            return bytes.size() >= count;
        },
        5000);
    return bytes;
}

}  // namespace

class TestTlsSocket : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    KivTestCertificates m_certs;

    CKivTlsSettings trusting(const char* authority, const QString& pin = QString(),
                             const char* host = "127.0.0.1") const {
        CKivTlsSettings tls;
        tls.enabled = true;
        tls.caFile = authority != nullptr ? m_certs.certificate(authority).toStdString() : "";
        tls.pin = pin.toStdString();
        tls.hostName = host;
        return tls;
    }

private slots:
    void initTestCase() { QVERIFY(m_certs.create(m_dir.path())); }

    // The records, their cutting and the events are those of a plain
    // connection; only the bytes on the wire differ. Record ends are counted
    // in the bytes of the TLS records.
    void recordsTravelInsideTls() {
        Peer peer;
        peer.certificate = m_certs.certificate("server");
        peer.key = m_certs.key("server");
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        Client client;
        client.connect(peer.serverPort(), trusting("ca"));
        auto* server = qobject_cast<QSslSocket*>(peer.next());
        QVERIFY(server != nullptr);
        QVERIFY(client.events.waitFor(1));
        QCOMPARE(client.events.at(0).code, int(EVENT_CONNECTED));
        QTRY_VERIFY(server->isEncrypted());
        QVERIFY(QString::fromStdString(client.socket.tls_description()).startsWith("TLSv1.3"));

        // Records cut across TLS records, and a burst larger than one TLS record.
        const QByteArray first = record(1052, 15, 'a');
        const QByteArray second = record(24, 10000, 'b');
        server->write(first + second.left(10));
        server->flush();
        QVERIFY(client.events.waitFor(2));
        server->write(second.mid(10));
        QByteArray burst;
        for (int i = 0; i < 40; ++i) {
            burst += record(1052, 15, char('c' + i % 20));
        }
        server->write(burst);
        QVERIFY(client.events.waitFor(43));
        QCOMPARE(client.events.at(1).data, first);
        QCOMPARE(client.events.at(2).data, second);
        QCOMPARE(client.events.at(42).data, burst.right(1052));

        std::uint64_t before = 0;
        std::uint64_t after = 0;
        const QByteArray login = record(352, 12, 'l');
        QCOMPARE(client.socket.send_data(login.constData(), 200, &before), 200);
        QCOMPARE(client.socket.send_data(login.constData(), login.size(), &after), 352);
        QVERIFY2(after - before >= 352 + 21, qPrintable(QString::number(after - before)));
        QCOMPARE(readAtLeast(server, 552).right(352), login);
    }

    void serverIsChecked_data() {
        QTest::addColumn<QByteArray>("serverCert");
        QTest::addColumn<QByteArray>("authority");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QString>("refusal");  // empty: accepted

        const QString selfPin = m_certs.pin("selfsigned");
        QString spaced;
        for (int i = 0; i < selfPin.size(); i += 2) {
            spaced += (i ? QStringLiteral(":") : QString()) + selfPin.mid(i, 2).toUpper();
        }
        const QString base64 =
            QString::fromLatin1(QByteArray::fromHex(selfPin.toLatin1()).toBase64());
        QTest::newRow("known authority, address")
            << QByteArray("server") << QByteArray("ca") << QString() << QByteArray("127.0.0.1")
            << QString();
        QTest::newRow("known authority, name") << QByteArray("server") << QByteArray("ca")
                                               << QString() << QByteArray("localhost") << QString();
        QTest::newRow("system authorities only")
            << QByteArray("server") << QByteArray() << QString() << QByteArray("127.0.0.1")
            << QStringLiteral("issuer");
        QTest::newRow("other authority") << QByteArray("other") << QByteArray("ca") << QString()
                                         << QByteArray("127.0.0.1") << QStringLiteral("issuer");
        QTest::newRow("wrong name") << QByteArray("wrongname") << QByteArray("ca") << QString()
                                    << QByteArray("127.0.0.1") << QStringLiteral("mismatch");
        QTest::newRow("expired") << QByteArray("expired") << QByteArray("ca") << QString()
                                 << QByteArray("127.0.0.1") << QStringLiteral("expired");
        QTest::newRow("pinned self-signed") << QByteArray("selfsigned") << QByteArray() << selfPin
                                            << QByteArray("127.0.0.1") << QString();
        QTest::newRow("pin with colons") << QByteArray("selfsigned") << QByteArray() << spaced
                                         << QByteArray("127.0.0.1") << QString();
        QTest::newRow("pin in Base64") << QByteArray("selfsigned") << QByteArray() << base64
                                       << QByteArray("127.0.0.1") << QString();
        QTest::newRow("wrong pin")
            << QByteArray("server") << QByteArray("ca") << m_certs.pin("other")
            << QByteArray("127.0.0.1") << QStringLiteral("tlspin");
        QTest::newRow("pin does not excuse expiry")
            << QByteArray("expired") << QByteArray() << m_certs.pin("expired")
            << QByteArray("127.0.0.1") << QStringLiteral("expired");
        QTest::newRow("pin does not excuse the name")
            << QByteArray("selfsigned") << QByteArray() << selfPin
            << QByteArray("elsewhere.example") << QStringLiteral("mismatch");
        QTest::newRow("whole-label wildcard")
            << QByteArray("wildcard") << QByteArray("ca") << QString()
            << QByteArray("foo.example.test") << QString();
        QTest::newRow("partial wildcard")
            << QByteArray("partialwildcard") << QByteArray("ca") << QString()
            << QByteArray("foo.example.test") << QStringLiteral("mismatch");
        QTest::newRow("subject's common name")
            << QByteArray("commonname.example.test") << QByteArray("ca") << QString()
            << QByteArray("commonname.example.test") << QStringLiteral("mismatch");
        QTest::newRow("pin that is no SHA-256")
            << QByteArray("server") << QByteArray("ca") << QStringLiteral("abc")
            << QByteArray("127.0.0.1") << QStringLiteral("tlspin");
    }

    // A refused server gets the handshake and nothing of the protocol; the
    // reason says why.
    void serverIsChecked() {
        QFETCH(QByteArray, serverCert);
        QFETCH(QByteArray, authority);
        QFETCH(QString, pin);
        QFETCH(QByteArray, host);
        QFETCH(QString, refusal);
        Peer peer;
        peer.certificate = m_certs.certificate(serverCert.constData());
        peer.key = m_certs.key(serverCert.constData());
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        Client client;
        client.connect(
            peer.serverPort(),
            trusting(authority.isEmpty() ? nullptr : authority.constData(), pin, host.constData()));
        QTcpSocket* server = peer.next();
        QVERIFY(server != nullptr);
        QVERIFY(client.events.waitFor(1));
        const Event event = client.events.at(0);
        if (refusal.isEmpty()) {
            QCOMPARE(event.code, int(EVENT_CONNECTED));
            return;
        }
        QCOMPARE(event.code, int(EVENT_TLS_REFUSED));
        QVERIFY2(QString::fromUtf8(event.data).contains(refusal), event.data.constData());
        QVERIFY(client.socket.send_data("x", 1) <= 0);
        QTest::qWait(100);
        QCOMPARE(server->bytesAvailable(), qint64(0));
        QCOMPARE(client.events.size(), 1);
    }

    // The receive loop of a connection that asked for TLS reads nothing
    // without a session: plain bytes never count as records.
    void noPlainReadsWhenTlsWasAsked_data() {
        QTest::addColumn<bool>("tls");
        QTest::newRow("tls asked") << true;
        QTest::newRow("plain connection") << false;
    }
    void noPlainReadsWhenTlsWasAsked() {
        QFETCH(bool, tls);
        Peer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        Events events;
        CKivFriendTcpSelect connection;
        connection.set_proc_func(&Events::callback, &events, false);
        QVERIFY(connection.bind_port(0));
        QCOMPARE(connection.connect_svr("127.0.0.1", peer.serverPort()),
                 static_cast<unsigned long>(KivSocketOk));
        QTcpSocket* server = peer.next();
        QVERIFY(server != nullptr);
        server->write(record(24, 10000));
        server->flush();
        // Asked for after this connection was made without a session.
        connection.set_tls(tls ? trusting("ca") : CKivTlsSettings());
        std::thread receiver([&connection] { connection.recv_data(); });
        const bool reported = events.waitFor(1);
        connection.close_socket(true);
        receiver.join();
        QVERIFY(reported);
        QCOMPARE(events.at(0).code, tls ? int(EVENT_TLS_REFUSED) : int(EVENT_DATA));
        if (tls) {
            QCOMPARE(events.size(), 1);
            QTRY_COMPARE(server->state(), QAbstractSocket::UnconnectedState);
        }
    }

    // A server that speaks no TLS: it takes the client's hello for records
    // and hangs up, or waits for ever; both end the attempt with a reason,
    // and stop() ends a waiting one at once without any event.
    void plainServerIsRefused() {
        Peer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        Client client;
        client.connect(peer.serverPort(), trusting("ca"));
        QTcpSocket* server = peer.next();
        QVERIFY(server != nullptr);
        QVERIFY(readAtLeast(server, 5).startsWith("\x16\x03"));
        server->close();
        QVERIFY(client.events.waitFor(1));
        QCOMPARE(client.events.at(0).code, int(EVENT_TLS_REFUSED));
        QVERIFY(client.events.at(0).data.contains("TLS"));

        Client waiting;
        waiting.connect(peer.serverPort(), trusting("ca"));
        QVERIFY(peer.next() != nullptr);
        QTest::qWait(100);
        QElapsedTimer timer;
        timer.start();
        waiting.socket.stop();
        QVERIFY(timer.elapsed() < 2000);
        QTest::qWait(100);
        QCOMPARE(waiting.events.size(), 0);
    }

    // Without TLS the client reaches a server that answers with a TLS alert:
    // it is told so, not just that the stream was unusable.
    void tlsServerWithoutTlsSaysSo() {
        Peer peer;
        QVERIFY(peer.listen(QHostAddress::LocalHost));
        Client client;
        client.connect(peer.serverPort(), CKivTlsSettings());
        QTcpSocket* server = peer.next();
        QVERIFY(server != nullptr);
        QVERIFY(client.events.waitFor(1));
        QCOMPARE(client.events.at(0).code, int(EVENT_CONNECTED));
        server->write(QByteArray::fromHex("15030300020246"));
        QVERIFY(client.events.waitFor(2));
        QCOMPARE(client.events.at(1).code, int(EVENT_TLS_REQUIRED));
        // Bytes that are neither records nor TLS stay an unusable stream.
        Client other;
        other.connect(peer.serverPort(), CKivTlsSettings());
        QTcpSocket* second = peer.next();
        QVERIFY(second != nullptr && other.events.waitFor(1));
        second->write(QByteArray(64, '\x7f'));
        QVERIFY(other.events.waitFor(2));
        QCOMPARE(other.events.at(1).code, int(EVENT_CLOSED));
    }
};

KIV_TEST_CLASS(TestTlsSocket)
#include "tst_CKivTlsSocket.moc"
