#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendNetModel.h"
#include "KivSocks5Relay.h"
#include "KivTestCertificates.h"
#include "KivTestRegistry.h"
#include "KivThreadSpy.h"
#include "support/KivProxySettings.h"

// A SOCKS5 proxy chosen in the settings carries the messaging connection.
class tst_KivSocks5Messaging : public QObject {
    Q_OBJECT
    std::unique_ptr<CKivDevServerProcess> m_server;

    KivProxySettings proxyAt(quint16 port, const QString& password) const {
        KivProxySettings settings;
        settings.type = QStringLiteral("SOCKS5gency");
        settings.server = QStringLiteral("127.0.0.1");
        settings.port = QString::number(port);
        settings.userName = QStringLiteral("kiv");
        settings.password = password;
        return settings;
    }

private slots:
    void init() {
        m_server = std::make_unique<CKivDevServerProcess>();
        QVERIFY(m_server->start());
        CKivFriendNetModel::GetInstance()->SetServerIP_And_Port("127.0.0.1", m_server->tcpPort());
    }
    void cleanup() {
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        net->Delete_Socket();
        net->SetSocksProxy(CKivSocks5Proxy());
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        m_server.reset();
    }

    void connectionGoesThroughTheProxy() {
        KivSocks5Relay relay("kiv", "secret");
        QVERIFY(proxyAt(relay.port(), QStringLiteral("secret")).Apply());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        KivThreadSpy checked(net, &CKivFriendNetModel::LoginResult);
        net->Connect_Svr();
        // The server's answer to the connection check came back through the relay.
        QTRY_VERIFY_WITH_TIMEOUT(checked.count() == 1, 10000);
        QCOMPARE(checked.first().first().toInt(), 3028);
        QCOMPARE(relay.requestedPort(), m_server->tcpPort());
        QCOMPARE(relay.relayedConnections(), 1);
    }

    void wrongPasswordFailsTheConnection() {
        KivSocks5Relay relay("kiv", "secret");
        proxyAt(relay.port(), QStringLiteral("guess")).Apply();
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        KivThreadSpy failed(net, &CKivFriendNetModel::FaildConnect);
        net->Connect_Svr();
        QTRY_VERIFY_WITH_TIMEOUT(failed.count() == 1, 10000);
        QVERIFY(!net->IsConnected());
        QCOMPARE(relay.relayedConnections(), 0);
    }

    // TLS runs end to end through the proxy: the proxy relays the session,
    // and the server is checked as on a direct connection.
    void tlsRunsThroughTheProxy() {
        QTemporaryDir dir;
        KivTestCertificates certs;
        QVERIFY(certs.create(dir.path()));
        m_server = std::make_unique<CKivDevServerProcess>();
        m_server->setTls(certs.certificate("server"), certs.key("server"));
        QVERIFY(m_server->start());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        net->SetServerIP_And_Port("127.0.0.1", m_server->tcpPort());
        CKivTlsSettings tls;
        tls.enabled = true;
        tls.caFile = certs.certificate("ca").toStdString();
        tls.hostName = "127.0.0.1";
        net->SetTls(tls);
        KivSocks5Relay relay("kiv", "secret");
        QVERIFY(proxyAt(relay.port(), QStringLiteral("secret")).Apply());
        KivThreadSpy checked(net, &CKivFriendNetModel::LoginResult);
        net->Connect_Svr();
        QTRY_VERIFY_WITH_TIMEOUT(checked.count() == 1, 10000);
        QCOMPARE(checked.first().first().toInt(), 3028);
        QCOMPARE(relay.requestedPort(), m_server->tcpPort());

        KivThreadSpy refused(net, &CKivFriendNetModel::TlsRefused);
        tls.caFile = certs.certificate("otherca").toStdString();
        net->SetTls(tls);
        net->Connect_Svr();
        QTRY_VERIFY_WITH_TIMEOUT(refused.count() == 1, 10000);
        QVERIFY(!net->IsConnected());
        QCOMPARE(relay.relayedConnections(), 2);
        net->SetTls(CKivTlsSettings());
    }

    void otherKindsConnectDirectly() {
        KivProxySettings http = proxyAt(1, QString());
        http.type = QStringLiteral("HTTPAgency");
        http.Apply();
        QVERIFY(!http.SocksProxy().enabled());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        net->Connect_Svr();
        QTRY_VERIFY_WITH_TIMEOUT(net->IsConnected(), 10000);
    }
};

KIV_TEST_CLASS(tst_KivSocks5Messaging)
#include "tst_KivSocks5Messaging.moc"
