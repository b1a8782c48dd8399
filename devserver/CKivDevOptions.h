#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include "KivDevFileLimits.h"

// The development server's command line.
class CKivDevOptions {
public:
    // Parses `arguments` (program name first). Prints the help text and
    // returns false with exit code 0 for --help, or prints the error and
    // returns false with exit code 2 for a bad command line.
    bool parse(const QStringList& arguments);
    int exitCode() const { return m_exitCode; }

    quint16 tcpPort() const { return m_tcpPort; }
    quint16 httpPort() const { return m_httpPort; }
    quint16 mediaPort() const { return m_mediaPort; }
    const QString& databasePath() const { return m_databasePath; }
    const QHostAddress& listenAddress() const { return m_listenAddress; }
    bool seedDemo() const { return m_seedDemo; }
    // Both set: the messaging port speaks TLS and head pictures go over HTTPS.
    const QString& tlsCertificate() const { return m_tlsCertificate; }
    const QString& tlsKey() const { return m_tlsKey; }
    bool tls() const { return !m_tlsCertificate.isEmpty(); }
    const KivDevFileLimits& fileLimits() const { return m_fileLimits; }

private:
    quint16 m_tcpPort = 6800;
    quint16 m_httpPort = 8080;
    quint16 m_mediaPort = 6800;
    QString m_databasePath = QStringLiteral("kivDevServer.db");
    QHostAddress m_listenAddress = QHostAddress::LocalHost;
    bool m_seedDemo = false;
    QString m_tlsCertificate;
    QString m_tlsKey;
    KivDevFileLimits m_fileLimits;
    int m_exitCode = 0;
};
