#include "CKivDevOptions.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

bool parsePort(const QString& text, quint16& port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535) {
        return false;
    }
    port = static_cast<quint16>(value);
    return true;
}

}  // namespace

bool CKivDevOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Development server: messaging (TCP), head pictures (HTTP) and media "
                       "registrations (UDP) on one machine. Port 0 picks a free port."));
    parser.addHelpOption();
    const QCommandLineOption port(
        QStringLiteral("port"), QStringLiteral("TCP port of the messaging server (default 6800)."),
        QStringLiteral("port"), QStringLiteral("6800"));
    const QCommandLineOption httpPort(
        QStringLiteral("http-port"),
        QStringLiteral("HTTP port of the head-picture server (default 8080)."),
        QStringLiteral("port"), QStringLiteral("8080"));
    const QCommandLineOption mediaPort(
        QStringLiteral("media-port"),
        QStringLiteral("UDP port for media registrations (default 6800)."), QStringLiteral("port"),
        QStringLiteral("6800"));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("SQLite database file (default kivDevServer.db)."),
                                QStringLiteral("file"), m_databasePath);
    const QCommandLineOption listen(QStringLiteral("listen"),
                                    QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                    QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption seed(QStringLiteral("seed-demo"),
                                  QStringLiteral("Add the demo accounts if they are missing."));
    const QCommandLineOption tlsCert(
        QStringLiteral("tls-cert"),
        QStringLiteral("PEM certificate (chain): the messaging port speaks TLS, head pictures "
                       "go over HTTPS. Needs --tls-key."),
        QStringLiteral("file"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                                    QStringLiteral("PEM private key of --tls-cert."),
                                    QStringLiteral("file"));
    parser.addOptions({port, httpPort, mediaPort, db, listen, seed, tlsCert, tlsKey});

    QTextStream err(stderr);
    if (!parser.parse(arguments)) {
        err << parser.errorText() << '\n';
        m_exitCode = 2;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        m_exitCode = 0;
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << "unexpected argument: " << parser.positionalArguments().first() << '\n';
        m_exitCode = 2;
        return false;
    }
    if (!parsePort(parser.value(port), m_tcpPort) ||
        !parsePort(parser.value(httpPort), m_httpPort) ||
        !parsePort(parser.value(mediaPort), m_mediaPort)) {
        err << "a port must be a number from 0 to 65535\n";
        m_exitCode = 2;
        return false;
    }
    if (!m_listenAddress.setAddress(parser.value(listen))) {
        err << "not an IP address: " << parser.value(listen) << '\n';
        m_exitCode = 2;
        return false;
    }
    m_databasePath = parser.value(db);
    if (m_databasePath.isEmpty()) {
        err << "--db needs a file name\n";
        m_exitCode = 2;
        return false;
    }
    m_seedDemo = parser.isSet(seed);
    m_tlsCertificate = parser.value(tlsCert);
    m_tlsKey = parser.value(tlsKey);
    if (m_tlsCertificate.isEmpty() != m_tlsKey.isEmpty()) {
        err << "--tls-cert and --tls-key go together\n";
        m_exitCode = 2;
        return false;
    }
    return true;
}
