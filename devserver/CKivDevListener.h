#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTcpServer>

// The messaging port: hands out plain sockets, or, once given a certificate
// and its key, sockets that run the server side of TLS. A client that fails
// the handshake is logged and dropped before any record of it is read.
class CKivDevListener : public QTcpServer {
    Q_OBJECT
public:
    explicit CKivDevListener(QObject* parent = nullptr);

    // Loads the PEM certificate (chain) and its private key; false with the reason.
    bool useTls(const QString& certificateFile, const QString& keyFile, QString& error);
    bool tls() const { return !m_chain.isEmpty(); }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    QList<QSslCertificate> m_chain;
    QSslKey m_key;
};
