#include <QCryptographicHash>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivRawClient.h"
#include "CKivReconnectModel.h"
#include "KivModalCloser.h"
#include "KivTcpRelay.h"
#include "KivTestCertificates.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivThreadSpy.h"
#include "KivViewTestTree.h"
#include "contacts/KivIMChoiceHeadDlg.h"
#include "contacts/KivImChoiceCustomHeadDlg.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/QCustomComboBox.h"
#include "support/KivHeadDownload.h"

// The client against the development server over TLS, as a user runs it:
// through the login dialog, with the configuration the deployment writes.
class tst_KivTlsSession : public QObject {
    Q_OBJECT
    QTemporaryDir m_certDir;
    KivTestCertificates m_certs;
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CKivDevServerProcess> m_server;
    std::unique_ptr<CKivSession> m_session;
    std::unique_ptr<KivIMLoginDlg> m_login;
    std::unique_ptr<KivModalCloser> m_closer;

    bool startServer(const char* certificate) {
        m_server = std::make_unique<CKivDevServerProcess>();
        if (certificate != nullptr)
            m_server->setTls(m_certs.certificate(certificate), m_certs.key(certificate));
        return m_server->start();
    }
    // config.ini for a messaging port, with the TLS keys of `tls` lines.
    void writeConfig(quint16 port, const QString& tls) {
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n"
                                         "fileHostaddr=127.0.0.1\nfilehostport=%2\n%3\n")
                              .arg(port)
                              .arg(m_server->httpPort())
                              .arg(tls)
                              .toUtf8());
        CKivFriendReadConfigModel::ReleaseInstance();
    }
    QString trusted(const QString& pin = QString()) const {
        return QStringLiteral("tls=1\ntlscafile=%1\ntlspin=%2\nfileHostscheme=https")
            .arg(m_certs.certificate("ca"), pin);
    }
    QPushButton* loginButton() const {
        return m_login->findChild<QPushButton*>(QStringLiteral("pushButtonLogin"));
    }
    void logIn(const QString& who) {
        m_login->findChild<QCustomComboBox*>()->setEditText(who);
        m_login->findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"))
            ->setText(QStringLiteral("123456"));
        loginButton()->click();
    }

private slots:
    void initTestCase() { QVERIFY(m_certs.create(m_certDir.path())); }
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        const QString data = QStringLiteral(KIV_DATA_DIR);
        QDir().mkpath(QStringLiteral("DB"));
        for (const char* entry : {"image", "Resources", "DB/location_list.db"})
            QFile::link(data + QLatin1Char('/') + QLatin1String(entry), QLatin1String(entry));
        m_closer = std::make_unique<KivModalCloser>();
        CKivFriendHearbeatModel::GetInstance()->SetInterval(60000);
    }
    void cleanup() {
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session.reset();
        CKivFriendNetModel::GetInstance()->Delete_Socket();
        CKivFriendNetModel::GetInstance()->SetTls(CKivTlsSettings());
        CKivFriendHearbeatModel::ReleaseInstance();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        m_closer.reset();
        m_server.reset();
        CKivFriendReadConfigModel::ReleaseInstance();
        m_tree.reset();
        KivViewTestTree::ForgetQuit();
    }

    void wholeSession_data() {
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("me");
        QTest::addColumn<QString>("other");
        QTest::newRow("TLS") << true << "10001"
                             << "10002";
        // The same session in the clear shows that the capture sees the texts.
        // Other accounts: an offline pull goes on after the last item it
        // took, which was the previous server's.
        QTest::newRow("plain") << false << "10003"
                               << "10004";
    }
    // Login, an offline message pulled, chat both ways, a head uploaded and
    // fetched and the connection healed after a server restart; a capture of
    // the messaging link holds none of the chat texts, the account or the
    // password's hash.
    void wholeSession() {
        QFETCH(bool, tls);
        QFETCH(QString, me);
        QFETCH(QString, other);
        QVERIFY(startServer(tls ? "server" : nullptr));
        KivTcpRelay capture(m_server->tcpPort());
        writeConfig(capture.port(), tls ? trusted(m_certs.pin("server")) : QStringLiteral("tls=0"));
        const QByteArray offline = "left while you were away 7Q";
        const QByteArray toMe = "a message for you 8R";
        const QByteArray fromMe = "my answer to you 9S";
        CKivRawClient peer;
        QVERIFY(tls ? peer.connectTls(m_server->tcpPort(), m_certs.certificate("ca"))
                    : peer.connectTo(m_server->tcpPort()));
        QVERIFY(peer.login(other, QStringLiteral("123456")));
        peer.sendChat(me.toUInt(), offline);

        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        KivThreadSpy pulled(net, &CKivFriendNetModel::SendLeaveMessageSignal);
        KivThreadSpy received(net, &CKivFriendNetModel::SendPerMessage);
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session = KivNewTestSession();
        m_login = std::make_unique<KivIMLoginDlg>(nullptr, *m_session);
        m_login->SetLoginDelayMs(0);
        m_login->show();
        logIn(me);
        QTRY_VERIFY_WITH_TIMEOUT(KivIMMainDlg::mainDlg->isVisible(), 10000);
        QVERIFY(m_closer->texts().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!pulled.isEmpty(), 10000);

        peer.sendChat(me.toUInt(), toMe);
        QTRY_VERIFY_WITH_TIMEOUT(!received.isEmpty(), 10000);
        QCOMPARE(received.first().value(1).toByteArray(), toMe);
        ChatMessageRecord chat;
        KivInitRecord(chat, ChatMessage);
        chat.senderUid = net->GetUID();
        chat.receiverUid = peer.uid();
        KivWriteText(chat.text, fromMe);
        QCOMPARE(net->Send_Msg(reinterpret_cast<const char*>(&chat), int(sizeof(chat))),
                 int(sizeof(chat)));
        ChatMessageRecord got;
        // Short waits, so that the relay of the capture runs in between.
        QVERIFY(QTest::qWaitFor([&] { return peer.waitFor(ChatMessage, got, 20); }, 10000));
        QCOMPARE(KivReadText(got.text), fromMe);

        // A custom head goes up to the file server and comes back down.
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(picture.save(QStringLiteral("me.png")));
        {
            KivIMChoiceHeadDlg heads(nullptr, *m_session);
            heads.show();
            heads.CustomBtClicked();
            QVERIFY(heads.CustomPage()->LoadImage(QStringLiteral("me.png")));
            QSignalSpy changed(&heads, &KivIMChoiceHeadDlg::AllHeaderChange);
            heads.findChild<QPushButton*>(QStringLiteral("SaveBt"))->click();
            QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 10000);
        }
        KivHeadDownload download;
        QSignalSpy stored(&download, &KivHeadDownload::Stored);
        download.Fetch(net->GetUID(), QStringLiteral("fetched.png"));
        QTRY_VERIFY_WITH_TIMEOUT(stored.count() == 1, 10000);
        QCOMPARE(QImage(QStringLiteral("fetched.png")).size(),
                 QImage(QStringLiteral("User/%1/image/head.png").arg(me)).size());

        // Reconnection goes through the same checks.
        KivThreadSpy back(m_login->Reconnect(), &CKivReconnectModel::CameBack);
        m_server->kill();
        QVERIFY(m_server->restart());
        QTRY_VERIFY_WITH_TIMEOUT(!back.isEmpty(), 20000);
        QVERIFY(net->IsLoggedIn());

        const QByteArray wire = capture.Captured();
        const QByteArray hash = QCryptographicHash::hash("123456", QCryptographicHash::Md5).toHex();
        QVERIFY(wire.size() > 4000);
        for (const QByteArray& secret : {offline, toMe, fromMe, me.toLatin1(), hash})
            QCOMPARE(wire.contains(secret), !tls);
        if (tls)
            QCOMPARE(wire.at(0), '\x16');
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("serverCert");  // empty: a plain server
        QTest::addColumn<QString>("tls");
        QTest::addColumn<QString>("text");
        const QString identity = KivIMLoginDlg::TlsRefusalText(false);
        QTest::newRow("other authority") << QByteArray("other") << trusted() << identity;
        QTest::newRow("wrong host name") << QByteArray("wrongname") << trusted() << identity;
        QTest::newRow("wrong pin")
            << QByteArray("server") << trusted(m_certs.pin("other")) << identity;
        QTest::newRow("expired") << QByteArray("expired") << trusted() << identity;
        QTest::newRow("plain server, tls=1") << QByteArray() << trusted() << identity;
        QTest::newRow("TLS server, tls=0") << QByteArray("server") << QStringLiteral("tls=0")
                                           << KivIMLoginDlg::TlsRefusalText(true);
    }
    // A refused server shows its message instead of the network box, gets no
    // login, and the dialog stays usable: a second try says the same.
    void refusals() {
        QFETCH(QByteArray, serverCert);
        QFETCH(QString, tls);
        QFETCH(QString, text);
        QVERIFY(startServer(serverCert.isEmpty() ? nullptr : serverCert.constData()));
        writeConfig(m_server->tcpPort(), tls);
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session = KivNewTestSession();
        m_login = std::make_unique<KivIMLoginDlg>(nullptr, *m_session);
        m_login->SetLoginDelayMs(0);
        m_login->show();
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts(), QStringList{text}, 10000);
        logIn(QStringLiteral("10001"));
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts(), (QStringList{text, text}), 10000);
        QTRY_VERIFY(loginButton()->isEnabled());
        QVERIFY(!m_login->IsLoginPending());
        QVERIFY(!CKivFriendNetModel::GetInstance()->IsConnected());
        QVERIFY(!KivIMMainDlg::mainDlg->isVisible());
        // With TLS asked for, not a byte of the login left: the handshake
        // failed before it. A plain client learns that the server speaks TLS
        // only from the server's answer to its first bytes, which may be the
        // login; the server cannot read it and nobody is logged in.
        if (tls != QLatin1String("tls=0"))
            QCOMPARE(m_session->RecordsSent(), 0);
        QVERIFY(!m_server->waitForLog(QStringLiteral("logged in as"), 10));
        QVERIFY(!m_server->waitForLog(QStringLiteral("wrong password"), 10));
    }

    // An HTTPS file server that fails the checks gives no picture.
    void refusedFileServerGivesNoHead() {
        QVERIFY(startServer("server"));
        writeConfig(m_server->tcpPort(), trusted(m_certs.pin("other")));
        KivHeadDownload download;
        QSignalSpy refused(&download, &KivHeadDownload::Refused);
        download.Fetch(10001, QStringLiteral("fetched.png"));
        QTRY_VERIFY_WITH_TIMEOUT(refused.count() == 1, 10000);
        QVERIFY(!QFile::exists(QStringLiteral("fetched.png")));
        writeConfig(m_server->tcpPort(), QStringLiteral("tls=1\nfileHostscheme=https"));
        download.Fetch(10001, QStringLiteral("fetched.png"));
        QTRY_VERIFY_WITH_TIMEOUT(refused.count() == 2, 10000);
        QVERIFY(!QFile::exists(QStringLiteral("fetched.png")));
    }

    // The file server's certificate is held to the messaging server's name
    // rules, which are stricter than Qt's own.
    void fileServerNamesAreStrict_data() {
        QTest::addColumn<QByteArray>("certificate");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("named");
        QTest::newRow("whole-label wildcard")
            << QByteArray("wildcard") << QStringLiteral("foo.example.test") << true;
        QTest::newRow("partial wildcard")
            << QByteArray("partialwildcard") << QStringLiteral("foo.example.test") << false;
        QTest::newRow("subject's common name")
            << QByteArray("commonname.example.test") << QStringLiteral("commonname.example.test")
            << false;
    }
    void fileServerNamesAreStrict() {
        QFETCH(QByteArray, certificate);
        QFETCH(QString, name);
        QFETCH(bool, named);
        QVERIFY(startServer(certificate.constData()));
        writeConfig(m_server->tcpPort(),
                    QStringLiteral("tls=1\ntlscafile=%1\ntlsname=%2\nfileHostscheme=https")
                        .arg(m_certs.certificate("ca"), name));
        KivHeadDownload download;
        QSignalSpy stored(&download, &KivHeadDownload::Stored);
        QSignalSpy refused(&download, &KivHeadDownload::Refused);
        download.Fetch(10001, QStringLiteral("fetched.png"));
        QTRY_VERIFY_WITH_TIMEOUT(stored.count() + refused.count() == 1, 10000);
        const QString reason = refused.isEmpty() ? QString() : refused.at(0).at(1).toString();
        QVERIFY2(reason.contains(QStringLiteral("does not name")) != named, qPrintable(reason));
    }
};

KIV_TEST_CLASS(tst_KivTlsSession)
#include "tst_KivTlsSession.moc"
