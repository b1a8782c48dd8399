#include "CKivDevHttpServer.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QtDebug>

#include <httplib.h>

#include <algorithm>
#include <optional>

#include "CKivDevAttachments.h"
#include "CKivDevDatabase.h"
#include "CKivDevHeadStore.h"
#include "CKivDevUserStore.h"

namespace {

constexpr int kWorkers = 2;
constexpr time_t kReadTimeoutSeconds = 10;
const char kBodyPrefix[] = "Content:";
const char kPngSignature[] = "\x89PNG\r\n\x1a\n";
const char kChunkType[] = "application/octet-stream";
constexpr int kMaxDigits = 18;
constexpr int kMaxTypeLength = 16;
constexpr qint64 kReadBlock = 256 * 1024;

// A query parameter that appears exactly once and is a decimal u32.
std::optional<std::uint32_t> number(const httplib::Request& request, const char* name) {
    if (request.get_param_value_count(name) != 1) {
        return std::nullopt;
    }
    bool ok = false;
    const uint value = QString::fromStdString(request.get_param_value(name)).toUInt(&ok);
    return ok ? std::optional<std::uint32_t>(value) : std::nullopt;
}

// A query parameter that appears exactly once, only digits, at most `max`.
std::optional<qint64> decimal(const httplib::Request& request, const char* name, qint64 max) {
    if (request.get_param_value_count(name) != 1) {
        return std::nullopt;
    }
    const std::string text = request.get_param_value(name);
    if (text.empty() || text.size() > static_cast<std::size_t>(kMaxDigits) ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const qint64 value = std::stoll(text);
    return value <= max ? std::optional<qint64>(value) : std::nullopt;
}

// The name's suffix: absent or empty, or a few letters and digits.
std::optional<QString> fileType(const httplib::Request& request) {
    const std::size_t count = request.get_param_value_count("Type");
    if (count == 0) {
        return QString();
    }
    const QString type = QString::fromStdString(request.get_param_value("Type"));
    if (count != 1 || type.size() > kMaxTypeLength ||
        !std::all_of(type.begin(), type.end(), [](QChar c) { return c.isLetterOrNumber(); })) {
        return std::nullopt;
    }
    return type;
}

bool isChunkType(const httplib::Request& request) {
    const std::string value = request.get_header_value("Content-Type");
    return QString::fromStdString(value.substr(0, value.find(';')))
               .trimmed()
               .compare(QLatin1String(kChunkType), Qt::CaseInsensitive) == 0;
}

// A single range inside the file. The library's own range handling
// misreports ranges that reach past the end, so those are refused here.
bool servableRange(const httplib::Ranges& ranges, qint64 size) {
    if (ranges.size() != 1 || size <= 0) {
        return false;
    }
    const auto [first, last] = ranges.front();
    if (first < 0) {
        return last > 0;  // the last `last` bytes
    }
    return first < size && (last < 0 || (first <= last && last < size));
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

CKivDevHttpServer::CKivDevHttpServer(QString databasePath, CKivDevAttachments& attachments,
                                     const QString& certificateFile, const QString& keyFile)
    : m_databasePath(std::move(databasePath)), m_attachments(attachments) {
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
    // Chunks are the largest bodies; a head upload checks its own limit.
    m_server->set_payload_max_length(static_cast<size_t>(KivDevFileLimits::kMaxChunkBytes));
    m_server->set_read_timeout(kReadTimeoutSeconds, 0);
    m_server->Get(R"(/(\d{1,10}))",
                  [this](const httplib::Request& request, httplib::Response& response) {
                      download(request, response);
                  });
    m_server->Get(R"(/f/([A-Za-z0-9_-]{16,64}))",
                  [this](const httplib::Request& request, httplib::Response& response) {
                      serveFile(request, response);
                  });
    m_server->Get("/upload", [this](const httplib::Request& request, httplib::Response& response) {
        uploadProgress(request, response);
    });
    m_server->Post("/", [this](const httplib::Request& request, httplib::Response& response) {
        post(request, response);
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

void CKivDevHttpServer::post(const httplib::Request& request, httplib::Response& response) {
    const std::size_t attributions = request.get_param_value_count("Attribution");
    const std::string attribution = request.get_param_value("Attribution");
    if (attributions == 0 || (attributions == 1 && attribution == "1")) {
        upload(request, response);
    } else if (attributions == 1 && attribution == "2") {
        uploadChunk(request, response);
    } else {
        refuse(response, 400, "Attribution must be 1 (head picture) or 2 (attachment)");
    }
}

void CKivDevHttpServer::upload(const httplib::Request& request, httplib::Response& response) {
    if (request.body.size() > static_cast<std::size_t>(kMaxHeadBodyBytes)) {
        refuse(response, 413, "the head picture upload is too large");
        return;
    }
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

void CKivDevHttpServer::uploadChunk(const httplib::Request& request, httplib::Response& response) {
    const std::optional<qint64> uid = decimal(request, "UserID", UINT32_MAX);
    const std::optional<qint64> session = decimal(request, "Session", UINT32_MAX);
    const std::optional<qint64> fileSize = decimal(request, "FileSize", INT64_MAX);
    const std::optional<qint64> chunkNumber = decimal(request, "Chunknum", UINT32_MAX);
    const std::optional<qint64> offset = decimal(request, "QN", INT64_MAX);
    const std::optional<qint64> end = decimal(request, "End", 1);
    const std::optional<QString> type = fileType(request);
    if (!uid || !session || !fileSize || !chunkNumber || *chunkNumber == 0 || !offset || !end) {
        refuse(response, 400,
               "UserID, Session, FileSize, Chunknum (from 1), QN and End (0 or 1) must be "
               "given once as numbers");
        return;
    }
    if (!type) {
        refuse(response, 400, "Type must be at most 16 letters and digits");
        return;
    }
    if (*fileSize > KivDevFileLimits::kMaxFileBytes) {
        refuse(response, 413, "FileSize above 4294967296 bytes (4 GiB)");
        return;
    }
    if (request.body.size() > static_cast<std::size_t>(KivDevFileLimits::kMaxChunkBytes)) {
        refuse(response, 413, "a chunk holds at most 4194304 bytes (4 MiB)");
        return;
    }
    if (!isChunkType(request)) {
        refuse(response, 415, "a chunk goes as application/octet-stream");
        return;
    }
    CKivDevAttachments::Chunk chunk;
    chunk.uid = static_cast<std::uint32_t>(*uid);
    chunk.session = static_cast<std::uint32_t>(*session);
    chunk.fileSize = *fileSize;
    chunk.offset = *offset;
    chunk.end = *end == 1;
    chunk.type = *type;
    chunk.bytes = request.body.data();
    chunk.size = static_cast<qint64>(request.body.size());
    const CKivDevAttachments::Answer answer = m_attachments.takeChunk(chunk);
    response.status = answer.status;
    response.set_content(answer.text, "text/plain");
}

void CKivDevHttpServer::uploadProgress(const httplib::Request& request,
                                       httplib::Response& response) {
    const std::optional<qint64> uid = decimal(request, "UserID", UINT32_MAX);
    const std::optional<qint64> session = decimal(request, "Session", UINT32_MAX);
    if (!uid || !session) {
        refuse(response, 400, "UserID and Session must be given once as numbers");
        return;
    }
    const CKivDevAttachments::Answer answer = m_attachments.progress(
        static_cast<std::uint32_t>(*uid), static_cast<std::uint32_t>(*session));
    response.status = answer.status;
    response.set_content(answer.text, "text/plain");
}

void CKivDevHttpServer::serveFile(const httplib::Request& request, httplib::Response& response) {
    const std::optional<CKivDevAttachments::Download> download =
        m_attachments.open(QString::fromStdString(request.matches[1]));
    if (!download) {
        response.status = 404;
        response.set_content("no such file", "text/plain");
        return;
    }
    if (!request.ranges.empty() && !servableRange(request.ranges, download->size)) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(download->size));
        return;
    }
    // Read block by block as the library sends, never the whole file at once.
    const std::shared_ptr<QFile> file = download->file;
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content_provider(
        static_cast<size_t>(download->size), kChunkType,
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
            if (!file->seek(static_cast<qint64>(offset))) {
                return false;
            }
            const QByteArray block = file->read(std::min(static_cast<qint64>(length), kReadBlock));
            return !block.isEmpty() && sink.write(block.constData(), block.size());
        },
        [file](bool) { file->close(); });
}
