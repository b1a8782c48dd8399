// Chat attachments on loopback: a 1 GB file up to the development server's
// file server in the client's confirmed chunks and down again with its
// checks, plain and over TLS, each as a ratio to curl moving the same bytes
// to and from the same server in the same run; the process's peak memory;
// and the time from a pasted 2 MB screenshot to its thumbnail at the friend
// (upload, download, check, decode; the announcement's trip through the
// messaging server is left out).
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstdio>
#include <functional>
#include <memory>

#include "CKivDevServerProcess.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivRawClient.h"
#include "CKivSession.h"
#include "KivAttachment.h"
#include "support/KivChatThumbnail.h"
#include "support/KivFileDownload.h"
#include "support/KivFileUpload.h"

namespace {

double PeakMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// Runs the event loop until `done` (qWaitFor sleeps between its looks, which
// would throttle the transfers).
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    look.start(1);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(timeoutMs);
    if (!done())
        loop.exec();
    return done();
}

bool WriteRandom(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(4 << 20, '\0');
    for (qint64 written = 0; written < bytes; written += block.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                              block.size() / 4);
        if (file.write(block.constData(), qMin<qint64>(block.size(), bytes - written)) < 0)
            return false;
    }
    return true;
}

// An attachment session of 10001, asked as the client asks.
quint32 OpenSession(CKivRawClient& client) {
    UploadFileRequest request;
    KivInitRecord(request, UploadFile);
    request.uid = 10001;
    request.kind = KivUploadAttachment;
    client.send(request);
    auto reply = std::make_unique<UploadFileReply>();
    if (!client.waitFor(UploadFile, *reply, 5000))
        return 0;
    return QByteArray(reply->text).toUInt();
}

struct Upload {
    double ms = -1;
    KivAttachment attachment;
};

Upload UploadWithClient(CKivSession& session, quint32 number, const QString& path) {
    KivUploadQueries::Upload job;
    job.sender = 10001;
    job.receiver = 10002;
    job.path = path;
    job.name = QFileInfo(path).fileName();
    job.size = quint64(QFileInfo(path).size());
    job.session = number;
    KivFileUpload upload(session, job);
    Upload result;
    bool ended = false;
    QObject::connect(&upload, &KivFileUpload::Done, [&](const KivAttachment& attachment) {
        result.attachment = attachment;
        ended = true;
    });
    QObject::connect(&upload, &KivFileUpload::Failed, [&](const QString& reason, bool) {
        std::printf("  upload failed: %s\n", qPrintable(reason));
        ended = true;
    });
    QElapsedTimer timer;
    timer.start();
    upload.Start();
    if (RunUntil([&] { return ended; }, 600000) && !result.attachment.id.isEmpty())
        result.ms = double(timer.nsecsElapsed()) / 1e6;
    return result;
}

double DownloadWithClient(const KivAttachment& attachment, const QString& folder) {
    KivFileDownload download(attachment, folder);
    bool ended = false;
    bool ok = false;
    QObject::connect(&download, &KivFileDownload::Finished, [&] { ended = ok = true; });
    QObject::connect(&download, &KivFileDownload::Failed, [&](const QString& reason) {
        std::printf("  download failed: %s\n", qPrintable(reason));
        ended = true;
    });
    QElapsedTimer timer;
    timer.start();
    download.Start();
    return RunUntil([&] { return ended; }, 600000) && ok ? double(timer.nsecsElapsed()) / 1e6 : -1;
}

// curl sends the same chunks in one process over one connection.
double UploadWithCurl(const QString& scheme, quint16 port, quint32 number, const QString& path,
                      const QString& caFile, const QTemporaryDir& work) {
    const qint64 size = QFileInfo(path).size();
    QFile source(path);
    QFile config(work.filePath(QStringLiteral("curl.conf")));
    if (!source.open(QIODevice::ReadOnly) || !config.open(QIODevice::WriteOnly))
        return -1;
    int chunk = 0;
    for (qint64 offset = 0; offset < size; offset += KivFileUpload::kChunkBytes, ++chunk) {
        const QString part = work.filePath(QStringLiteral("c%1").arg(chunk));
        QFile out(part);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(source.read(KivFileUpload::kChunkBytes)) <= 0)
            return -1;
        const bool last = offset + KivFileUpload::kChunkBytes >= size;
        config.write(
            QStringLiteral("%1url = \"%2://127.0.0.1:%3/?UserID=10001&Session=%4&FileSize=%5"
                           "&Chunknum=%6&QN=%7&End=%8&Type=bin&Attribution=2\"\n"
                           "data-binary = \"@%9\"\nheader = \"Content-Type: "
                           "application/octet-stream\"\noutput = /dev/null\n")
                .arg(chunk == 0 ? QString() : QStringLiteral("next\n"), scheme)
                .arg(port)
                .arg(number)
                .arg(size)
                .arg(chunk + 1)
                .arg(offset)
                .arg(last ? 1 : 0)
                .arg(part)
                .toUtf8());
        if (!caFile.isEmpty())
            config.write(QStringLiteral("cacert = \"%1\"\n").arg(caFile).toUtf8());
    }
    config.close();
    QElapsedTimer timer;
    timer.start();
    const int code = QProcess::execute(
        QStringLiteral("curl"), {QStringLiteral("-sf"), QStringLiteral("-K"), config.fileName()});
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    for (int i = 0; i < chunk; ++i)
        QFile::remove(work.filePath(QStringLiteral("c%1").arg(i)));
    return code == 0 ? ms : -1;
}

double DownloadWithCurl(const QString& scheme, quint16 port, const QString& id,
                        const QString& caFile, const QString& target) {
    QStringList arguments{QStringLiteral("-sf"), QStringLiteral("-o"), target,
                          QStringLiteral("%1://127.0.0.1:%2/f/%3").arg(scheme).arg(port).arg(id)};
    if (!caFile.isEmpty())
        arguments << QStringLiteral("--cacert") << caFile;
    QElapsedTimer timer;
    timer.start();
    const int code = QProcess::execute(QStringLiteral("curl"), arguments);
    return code == 0 ? double(timer.nsecsElapsed()) / 1e6 : -1;
}

bool MakeCertificate(const QTemporaryDir& dir) {
    return QProcess::execute(
               QStringLiteral("openssl"),
               {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes"),
                QStringLiteral("-keyout"), dir.filePath(QStringLiteral("key.pem")),
                QStringLiteral("-out"), dir.filePath(QStringLiteral("cert.pem")),
                QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                QStringLiteral("subjectAltName=IP:127.0.0.1")}) == 0;
}

void WriteConfig(quint16 tcp, quint16 http, bool tls, const QString& caFile) {
    QDir().mkpath(QStringLiteral("Config"));
    QFile config(QStringLiteral("Config/config.ini"));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n"
                                "fileHostaddr=127.0.0.1\nfilehostport=%2\ntls=%3\ntlscafile=%4\n")
                     .arg(tcp)
                     .arg(http)
                     .arg(tls ? 1 : 0)
                     .arg(caFile)
                     .toUtf8());
}

void Print(const char* what, double client, double curl, qint64 bytes) {
    const double mbps = client > 0 ? double(bytes) / 1048576.0 / (client / 1000.0) : 0;
    const double curlMbps = curl > 0 ? double(bytes) / 1048576.0 / (curl / 1000.0) : 0;
    std::printf("  %-22s client %7.1f MB/s   curl %7.1f MB/s   ratio %.2f (goal >= 0.8)\n", what,
                mbps, curlMbps, curlMbps > 0 ? mbps / curlMbps : 0);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The size in MiB may be given for a quick look; the goals are for 1 GiB.
    const qint64 kBigBytes = (argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024) << 20;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/kiv-bench-XXXXXX"));
    QTemporaryDir certs;
    QDir::setCurrent(work.path());
    const QString big = work.filePath(QStringLiteral("big.bin"));
    if (!WriteRandom(big, kBigBytes) || !MakeCertificate(certs)) {
        std::printf("file transfer: cannot prepare the file or the certificate\n");
        return 1;
    }
    CKivSession session(*CKivFriendNetModel::GetInstance(),
                        *CKivFriendHearbeatModel::GetInstance());
    std::printf("file transfer of %lld MiB on loopback\n", kBigBytes >> 20);
    for (const bool tls : {false, true}) {
        CKivDevServerProcess server;
        const QString caFile = tls ? certs.filePath(QStringLiteral("cert.pem")) : QString();
        if (tls)
            server.setTls(caFile, certs.filePath(QStringLiteral("key.pem")));
        server.setExtraArguments({QStringLiteral("--file-quota-mb"), QStringLiteral("8192")});
        CKivRawClient client;
        if (!server.start() ||
            !(tls ? client.connectTls(server.tcpPort(), caFile)
                  : client.connectTo(server.tcpPort())) ||
            !client.login(QStringLiteral("10001"), QStringLiteral("123456"))) {
            std::printf("file transfer: the development server did not start\n");
            return 1;
        }
        WriteConfig(server.tcpPort(), server.httpPort(), tls, caFile);
        const QString scheme = tls ? QStringLiteral("https") : QStringLiteral("http");
        const Upload up = UploadWithClient(session, OpenSession(client), big);
        const double curlUp =
            UploadWithCurl(scheme, server.httpPort(), OpenSession(client), big, caFile, work);
        const QString folder = work.filePath(QStringLiteral("down"));
        QDir().mkpath(folder);
        const double down = up.ms > 0 ? DownloadWithClient(up.attachment, folder) : -1;
        QDir(folder).removeRecursively();
        const double curlDown =
            up.ms > 0 ? DownloadWithCurl(scheme, server.httpPort(), up.attachment.id, caFile,
                                         work.filePath(QStringLiteral("curl.bin")))
                      : -1;
        QFile::remove(work.filePath(QStringLiteral("curl.bin")));
        std::printf(" %s\n", tls ? "HTTPS" : "HTTP");
        Print("upload", up.ms, curlUp, kBigBytes);
        Print("download", down, curlDown, kBigBytes);

        if (!tls) {
            // A 2 MB screenshot: noise does not compress, so the PNG stays large.
            QImage shot(820, 820, QImage::Format_RGB32);
            for (int y = 0; y < shot.height(); ++y)
                QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(shot.scanLine(y)),
                                                      shot.width());
            const QString png = work.filePath(QStringLiteral("shot.png"));
            shot.save(png, "PNG");
            QElapsedTimer pasted;
            pasted.start();
            const Upload sent = UploadWithClient(session, OpenSession(client), png);
            const QString at = work.filePath(QStringLiteral("friend"));
            QDir().mkpath(at);
            QString error;
            const bool shown =
                sent.ms > 0 && DownloadWithClient(sent.attachment, at) > 0 &&
                !KivChatThumbnail::Make(QDir(at).filePath(QStringLiteral("shot.png")), &error)
                     .isNull();
            std::printf("  paste to thumbnail     %.0f ms for %.1f MB (goal < 1000 ms)%s\n",
                        double(pasted.nsecsElapsed()) / 1e6,
                        double(QFileInfo(png).size()) / 1048576.0, shown ? "" : " FAILED");
        }
    }
    std::printf("  peak memory            %.0f MB (goal < 150 MB)\n", PeakMegabytes());
    return 0;
}
