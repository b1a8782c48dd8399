// kivDevServer: the messaging server, the file server (head pictures and
// attachments) and the media registration listener for development and
// tests, on loopback.

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

#include "CKivDevAttachments.h"
#include "CKivDevHttpServer.h"
#include "CKivDevMediaListener.h"
#include "CKivDevOptions.h"
#include "CKivDevTcpServer.h"

namespace {

constexpr int kExpiryCheckMs = 3600 * 1000;

int fail(const QString& what, const QString& error) {
    QTextStream(stderr) << "kivDevServer: " << what << ": " << error << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivDevServer"));

    CKivDevOptions options;
    if (!options.parse(QCoreApplication::arguments())) {
        return options.exitCode();
    }
    QString error;
    CKivDevTcpServer tcp;
    if (!tcp.open(options.databasePath(), options.seedDemo(), options.fileLimits(), error)) {
        return fail(QStringLiteral("database %1").arg(options.databasePath()), error);
    }
    if (options.tls() && !tcp.useTls(options.tlsCertificate(), options.tlsKey(), error)) {
        return fail(QStringLiteral("tls"), error);
    }
    if (!tcp.listen(options.listenAddress(), options.tcpPort(), error)) {
        return fail(QStringLiteral("tcp port %1").arg(options.tcpPort()), error);
    }
    CKivDevMediaListener media;
    if (!media.listen(options.listenAddress(), options.mediaPort(), error)) {
        return fail(QStringLiteral("media port %1").arg(options.mediaPort()), error);
    }
    CKivDevAttachments attachments(options.databasePath(), options.fileLimits());
    if (!attachments.prepare(error)) {
        return fail(QStringLiteral("attachments"), error);
    }
    // Expired files also count as gone before this removes them.
    QTimer expiry;
    QObject::connect(&expiry, &QTimer::timeout, [&attachments] { attachments.removeExpired(); });
    expiry.start(kExpiryCheckMs);
    CKivDevHttpServer http(options.databasePath(), attachments, options.tlsCertificate(),
                           options.tlsKey());
    if (!http.start(options.listenAddress().toString(), options.httpPort(), error)) {
        return fail(QStringLiteral("http port %1").arg(options.httpPort()), error);
    }

    QTextStream out(stdout);
    out << "kivDevServer: tcp " << options.listenAddress().toString() << ':' << tcp.port()
        << " http " << http.port() << " media " << media.port() << (options.tls() ? " tls" : "")
        << '\n';
    out.flush();
    return app.exec();
}
