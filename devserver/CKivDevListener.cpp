#include "CKivDevListener.h"

#include <QFile>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QtDebug>

#include <sys/socket.h>

CKivDevListener::CKivDevListener(QObject* parent) : QTcpServer(parent) {}

bool CKivDevListener::useTls(const QString& certificateFile, const QString& keyFile,
                             QString& error) {
    if (!QSslSocket::supportsSsl()) {
        error = QStringLiteral("this Qt has no TLS support");
        return false;
    }
    m_chain = QSslCertificate::fromPath(certificateFile, QSsl::Pem);
    if (m_chain.isEmpty()) {
        error = QStringLiteral("no certificate in %1").arg(certificateFile);
        return false;
    }
    QFile file(keyFile);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1").arg(keyFile);
        m_chain.clear();
        return false;
    }
    const QByteArray pem = file.readAll();
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Ec, QSsl::Rsa}) {
        m_key = QSslKey(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!m_key.isNull()) {
            return true;
        }
    }
    error = QStringLiteral("no EC or RSA private key in %1").arg(keyFile);
    m_chain.clear();
    return false;
}

void CKivDevListener::incomingConnection(qintptr descriptor) {
    if (!tls()) {
        QTcpServer::incomingConnection(descriptor);
        return;
    }
    auto* socket = new QSslSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.setLocalCertificateChain(m_chain);
    config.setPrivateKey(m_key);
    config.setProtocol(QSsl::TlsV1_2OrLater);
    config.setPeerVerifyMode(QSslSocket::VerifyNone);
    socket->setSslConfiguration(config);
    const QString peer =
        QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    connect(socket, &QSslSocket::encrypted, socket, [socket, peer] {
        qInfo().noquote() << "kivDevServer:" << peer << "TLS"
                          << socket->sessionCipher().protocolString()
                          << socket->sessionCipher().name();
    });
    connect(socket, &QAbstractSocket::errorOccurred, socket,
            [socket, peer](QAbstractSocket::SocketError error) {
                if (socket->isEncrypted()) {
                    return;
                }
                qWarning().noquote()
                    << "kivDevServer:" << peer << "TLS handshake failed:" << socket->errorString();
                // Tell a client that spoke no TLS, as TLS servers do, with a
                // fatal alert (protocol_version) in a record of its own.
                const qintptr fd = socket->socketDescriptor();
                if (error == QAbstractSocket::SslHandshakeFailedError && fd >= 0) {
                    static const char kAlert[] = {0x15, 0x03, 0x03, 0x00, 0x02, 0x02, 0x46};
                    ::send(int(fd), kAlert, sizeof(kAlert), MSG_NOSIGNAL | MSG_DONTWAIT);
                }
            });
    addPendingConnection(socket);
    socket->startServerEncryption();
}
