#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <future>

#include "CKivSocks5Proxy.h"
#include "KivSocket.h"
#include "KivTestRegistry.h"

namespace {

// A proxy that sends what the test scripted as soon as the client connects,
// and then nothing more; it keeps the connection open.
class ScriptedProxy : public QTcpServer {
public:
    explicit ScriptedProxy(const QByteArray& script) {
        connect(this, &QTcpServer::newConnection, this, [this, script] {
            QTcpSocket* client = nextPendingConnection();
            client->write(script);
        });
    }
};

}  // namespace

// The handshake with a SOCKS5 proxy ends within its time limit however the
// proxy falls silent, and succeeds with one that answers everything.
class TestSocks5Proxy : public QObject {
    Q_OBJECT

private slots:
    void silentProxyTimesOut_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("withPassword");
        QTest::addColumn<int>("result");
        const QByteArray noAuth("\x05\x00", 2);
        const QByteArray granted("\x05\x00\x00\x01\x7f\x00\x00\x01\x1a\x90", 10);
        QTest::newRow("no method chosen") << QByteArray() << false << int(KivSocketErrTimedOut);
        QTest::newRow("no login answer")
            << QByteArray("\x05\x02", 2) << true << int(KivSocketErrTimedOut);
        QTest::newRow("no connect answer") << noAuth << false << int(KivSocketErrTimedOut);
        QTest::newRow("half a connect answer")
            << noAuth + granted.left(6) << false << int(KivSocketErrTimedOut);
        QTest::newRow("no name length")
            << noAuth + QByteArray("\x05\x00\x00\x03", 4) << false << int(KivSocketErrTimedOut);
        QTest::newRow("answers everything") << noAuth + granted << false << int(KivSocketOk);
        QTest::newRow("logs in and answers")
            << QByteArray("\x05\x02\x01\x00", 4) + granted << true << int(KivSocketOk);
    }
    void silentProxyTimesOut() {
        QFETCH(QByteArray, script);
        QFETCH(bool, withPassword);
        QFETCH(int, result);
        ScriptedProxy server(script);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        CKivSocks5Proxy proxy;
        proxy.host = "127.0.0.1";
        proxy.port = server.serverPort();
        if (withPassword) {
            proxy.userName = "user";
            proxy.password = "secret";
        }
        std::shared_ptr<KivSocket> socket = KivSocket::createTcp();
        QCOMPARE(socket->connectTo("127.0.0.1", proxy.port, 2000), int(KivSocketOk));
        QElapsedTimer timer;
        timer.start();
        // The handshake blocks; the proxy answers from this thread's event loop.
        std::future<int> done = std::async(
            std::launch::async, [&] { return proxy.handshake(*socket, "10.0.0.9", 6800, 400); });
        QVERIFY(QTest::qWaitFor(
            [&] { return done.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
            5000));
        QCOMPARE(done.get(), result);
        if (result == KivSocketErrTimedOut)
            QVERIFY2(timer.elapsed() >= 380, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    }
};

KIV_TEST_CLASS(TestSocks5Proxy)
#include "tst_CKivSocks5Proxy.moc"
