#include "CKivDevHttpServer.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtDebug>

#include <httplib.h>

#include <optional>

#include "CKivDevDatabase.h"
#include "CKivDevHeadStore.h"
#include "CKivDevUserStore.h"

namespace {

constexpr int kWorkers = 2;
constexpr time_t kReadTimeoutSeconds = 10;
const char kBodyPrefix[] = "Content:";
const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

// A query parameter that appears exactly once and is a decimal u32.
std::optional<std::uint32_t> number(const httplib::Request& request, const char* name) {
    if (request.get_param_value_count(name) != 1) {
        return std::nullopt;
    }
    bool ok = false;
    const uint value = QString::fromStdString(request.get_param_value(name)).toUInt(&ok);
    return ok ? std::optional<std::uint32_t>(value) : std::nullopt;
}

bool isPicture(const QByteArray& png) {
    if (!png.startsWith(QByteArray(kPngSignature, sizeof(kPngSignature) - 1))) {
        return false;
    }
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > CKivDevHttpServer::kMaxPictureSide ||
        size.height() > CKivDevHttpServer::kMaxPictureSide) {
        return false;
    }
    return !reader.read().isNull();
}

void refuse(httplib::Response& response, int status, const char* reason) {
    qWarning().noquote() << "kivDevServer: http upload refused -" << reason;
    response.status = status;
    response.set_content(reason, "text/plain");
}

}  // namespace

CKivDevHttpServer::CKivDevHttpServer(QString databasePath, const QString& certificateFile,
                                     const QString& keyFile)
    : m_databasePath(std::move(databasePath)) {
    if (certificateFile.isEmpty()) {
        m_server = std::make_unique<httplib::Server>();
    } else {
        m_server = std::make_unique<httplib::SSLServer>(certificateFile.toLocal8Bit().constData(),
                                                        keyFile.toLocal8Bit().constData());
    }
}

CKivDevHttpServer::~CKivDevHttpServer() {
    m_server->stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

QString CKivDevHttpServer::nextConnectionName() {
    return QStringLiteral("kivDevHttp%1").arg(++m_requests);
}

bool CKivDevHttpServer::start(const QString& address, std::uint16_t port, QString& error) {
    if (!m_server->is_valid()) {
        error = QStringLiteral("cannot use the TLS certificate or key");
        return false;
    }
    m_server->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    m_server->set_payload_max_length(static_cast<size_t>(kMaxPngBytes) * 2);
    m_server->set_read_timeout(kReadTimeoutSeconds, 0);
    m_server->Get(R"(/(\d{1,10}))",
                  [this](const httplib::Request& request, httplib::Response& response) {
                      download(request, response);
                  });
    m_server->Post("/", [this](const httplib::Request& request, httplib::Response& response) {
        upload(request, response);
    });
    const std::string host = address.toStdString();
    const int bound = port == 0 ? m_server->bind_to_any_port(host)
                                : (m_server->bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        error = QStringLiteral("cannot listen on %1:%2").arg(address).arg(port);
        return false;
    }
    m_port = static_cast<std::uint16_t>(bound);
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

void CKivDevHttpServer::download(const httplib::Request& request, httplib::Response& response) {
    bool ok = false;
    const std::uint32_t uid = QString::fromStdString(request.matches[1]).toUInt(&ok);
    CKivDevDatabase database(m_databasePath, nextConnectionName());
    if (!ok || !database.open(false)) {
        response.status = ok ? 500 : 404;
        return;
    }
    const std::optional<KivDevUser> user = CKivDevUserStore(database.db()).byUid(uid);
    const std::optional<QByteArray> png =
        user ? CKivDevHeadStore(database.db()).pictureOf(uid, user->head) : std::nullopt;
    if (!png) {
        response.status = 404;
        response.set_content("no head picture", "text/plain");
        return;
    }
    response.set_content(png->constData(), static_cast<size_t>(png->size()), "image/png");
}

void CKivDevHttpServer::upload(const httplib::Request& request, httplib::Response& response) {
    const std::optional<std::uint32_t> uid = number(request, "UserID");
    const std::optional<std::uint32_t> session = number(request, "Session");
    const std::optional<std::uint32_t> fileSize = number(request, "FileSize");
    if (!uid || !session || !fileSize) {
        refuse(response, 400, "UserID, Session and FileSize must be given once as numbers");
        return;
    }
    if (*fileSize == 0 || *fileSize > static_cast<std::uint32_t>(kMaxPngBytes)) {
        refuse(response, 413, "FileSize out of range");
        return;
    }
    const QByteArray body = QByteArray::fromStdString(request.body);
    if (!body.startsWith(kBodyPrefix)) {
        refuse(response, 400, "the body must start with Content:");
        return;
    }
    const QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        body.mid(static_cast<int>(sizeof(kBodyPrefix) - 1)).trimmed(),
        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        refuse(response, 400, "the content is not Base64");
        return;
    }
    const QByteArray& png = decoded.decoded;
    if (png.size() != static_cast<int>(*fileSize)) {
        refuse(response, 400, "FileSize does not match the content");
        return;
    }
    if (!isPicture(png)) {
        refuse(response, 415, "the content is not a PNG picture");
        return;
    }
    CKivDevDatabase database(m_databasePath, nextConnectionName());
    if (!database.open(false)) {
        refuse(response, 500, "database not available");
        return;
    }
    switch (CKivDevHeadStore(database.db()).storePicture(*session, *uid, png)) {
        case CKivDevHeadStore::StoreResult::Stored:
            qInfo().noquote() << "kivDevServer: head picture" << *session << "stored for uid"
                              << *uid << "-" << png.size() << "bytes";
            response.set_content(std::to_string(*session), "text/plain");
            break;
        case CKivDevHeadStore::StoreResult::BadSession:
            refuse(response, 403, "no open upload session of that user");
            break;
        case CKivDevHeadStore::StoreResult::Failed:
            refuse(response, 500, "the picture could not be stored");
            break;
    }
}
