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

bool parseBounded(const QString& text, qint64 lowest, qint64 highest, qint64& value) {
    bool ok = false;
    const qint64 parsed = text.toLongLong(&ok);
    if (!ok || parsed < lowest || parsed > highest) {
        return false;
    }
    value = parsed;
    return true;
}

constexpr qint64 kMaxQuotaMb = 1000000000;
constexpr qint64 kMaxFileDays = 36500;

}  // namespace

bool CKivDevOptions::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Development server: messaging (TCP), head pictures and attachments "
                       "(HTTP) and media registrations (UDP) on one machine. Port 0 picks a "
                       "free port."));
    parser.addHelpOption();
    const QCommandLineOption port(
        QStringLiteral("port"), QStringLiteral("TCP port of the messaging server (default 6800)."),
        QStringLiteral("port"), QStringLiteral("6800"));
    const QCommandLineOption httpPort(
        QStringLiteral("http-port"), QStringLiteral("HTTP port of the file server (default 8080)."),
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
    const QCommandLineOption fileQuota(
        QStringLiteral("file-quota-mb"),
        QStringLiteral("Attachment space per user in MiB, unfinished uploads counted at their "
                       "declared size (default 10240)."),
        QStringLiteral("MiB"), QStringLiteral("10240"));
    const QCommandLineOption fileDays(
        QStringLiteral("file-days"),
        QStringLiteral("Days after which attachments and unfinished uploads are removed "
                       "(default 7)."),
        QStringLiteral("days"), QStringLiteral("7"));
    parser.addOptions(
        {port, httpPort, mediaPort, db, listen, seed, tlsCert, tlsKey, fileQuota, fileDays});

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
    qint64 quotaMb = 0;
    qint64 days = 0;
    if (!parseBounded(parser.value(fileQuota), 0, kMaxQuotaMb, quotaMb) ||
        !parseBounded(parser.value(fileDays), 1, kMaxFileDays, days)) {
        err << "--file-quota-mb must be a number from 0 to " << kMaxQuotaMb
            << ", --file-days from 1 to " << kMaxFileDays << '\n';
        m_exitCode = 2;
        return false;
    }
    m_fileLimits.quotaBytes = quotaMb * 1024 * 1024;
    m_fileLimits.lifetimeSeconds = days * 24 * 3600;
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
