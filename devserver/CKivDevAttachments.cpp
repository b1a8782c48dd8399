#include "CKivDevAttachments.h"

#include <QtDebug>

#include "CKivDevDatabase.h"
#include "CKivDevFileStore.h"

namespace {

constexpr int kIdAttempts = 8;

CKivDevAttachments::Answer answer(int status, const QString& text) {
    if (status >= 400) {
        qWarning().noquote() << "kivDevServer: attachment request refused -" << status << text;
    }
    return {status, text.toStdString()};
}

CKivDevAttachments::Answer noSession() {
    return answer(403, QStringLiteral("no open attachment session of that user"));
}

CKivDevAttachments::Answer noDatabase() {
    return answer(500, QStringLiteral("database not available"));
}

QString completeText(const KivDevFileUpload& upload) {
    return QStringLiteral("%1 %2 %3").arg(upload.held).arg(upload.id, upload.hash);
}

}  // namespace

CKivDevAttachments::CKivDevAttachments(QString databasePath, KivDevFileLimits limits)
    : m_databasePath(std::move(databasePath)), m_limits(limits), m_folder(m_databasePath) {}

CKivDevAttachments::~CKivDevAttachments() = default;

std::unique_ptr<CKivDevDatabase> CKivDevAttachments::connect() {
    auto database = std::make_unique<CKivDevDatabase>(
        m_databasePath, QStringLiteral("kivDevFiles%1").arg(++m_connections));
    return database->open(false) ? std::move(database) : nullptr;
}

bool CKivDevAttachments::prepare(QString& error) {
    if (!m_folder.create()) {
        error = QStringLiteral("cannot make the folder %1").arg(m_folder.path());
        return false;
    }
    removeExpired();
    return true;
}

CKivDevAttachments::Answer CKivDevAttachments::takeChunk(const Chunk& chunk) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::unique_ptr<CKivDevDatabase> database = connect();
    if (!database) {
        return noDatabase();
    }
    CKivDevFileStore store(database->db(), m_limits);
    std::optional<KivDevFileUpload> upload;
    if (!store.liveSession(chunk.session, upload)) {
        return noDatabase();
    }
    if (!upload || upload->uid != chunk.uid) {
        return noSession();
    }
    if (upload->complete()) {
        // The last chunk's answer may have been lost: an empty last chunk at
        // the end gets it again.
        if (chunk.offset == upload->held && chunk.size == 0 && chunk.end) {
            return answer(200, completeText(*upload));
        }
        return answer(409, QString::number(upload->held));
    }
    if (upload->size && (*upload->size != chunk.fileSize || upload->type != chunk.type)) {
        return answer(400, QStringLiteral("FileSize or Type differs from the first chunk's"));
    }
    if (chunk.offset != upload->held) {
        return answer(409, QString::number(upload->held));
    }
    const qint64 held = upload->held + chunk.size;
    if (held > chunk.fileSize) {
        return answer(400, QStringLiteral("the chunk runs past FileSize"));
    }
    if (chunk.end && held != chunk.fileSize) {
        return answer(400, QStringLiteral("End=1 before all FileSize bytes"));
    }
    if (!upload->size) {
        const std::optional<qint64> used = store.usedBytes(chunk.uid, chunk.session);
        if (!used) {
            return noDatabase();
        }
        const qint64 left = std::max<qint64>(m_limits.quotaBytes - *used, 0);
        if (chunk.fileSize > left) {
            return answer(413, QStringLiteral("quota exceeded: %1 bytes left of %2")
                                   .arg(left)
                                   .arg(m_limits.quotaBytes));
        }
    }
    // On the disk first: a count the server confirms is never lost.
    if (!m_folder.append(chunk.session, upload->held, chunk.bytes, chunk.size)) {
        return answer(500, QStringLiteral("the chunk could not be stored"));
    }
    if (!store.recordHeld(chunk.session, held, chunk.fileSize, chunk.type)) {
        return noDatabase();
    }
    upload->held = held;
    upload->size = chunk.fileSize;
    upload->type = chunk.type;
    return chunk.end ? finish(store, *upload) : answer(200, QString::number(held));
}

CKivDevAttachments::Answer CKivDevAttachments::finish(CKivDevFileStore& store,
                                                      const KivDevFileUpload& upload) {
    const std::optional<QByteArray> hash = m_folder.partHash(upload.session);
    if (!hash) {
        return answer(500, QStringLiteral("the file could not be read"));
    }
    QString id;
    for (int attempt = 0; attempt < kIdAttempts && id.isEmpty(); ++attempt) {
        const QString candidate = CKivDevFileFolder::randomId();
        bool taken = true;
        if (!store.idTaken(candidate, taken)) {
            return noDatabase();
        }
        if (!taken) {
            id = candidate;
        }
    }
    if (id.isEmpty() || !m_folder.publish(upload.session, id)) {
        return answer(500, QStringLiteral("the file could not be stored"));
    }
    if (!store.recordComplete(upload.session, id, QString::fromLatin1(*hash))) {
        // The session stays unfinished with all bytes held: an empty last
        // chunk finishes it later.
        m_folder.unpublish(upload.session, id);
        return noDatabase();
    }
    KivDevFileUpload complete = upload;
    complete.id = id;
    complete.hash = QString::fromLatin1(*hash);
    qInfo().noquote() << "kivDevServer: attachment" << id << "of uid" << upload.uid << "-"
                      << upload.held << "bytes";
    return answer(200, completeText(complete));
}

CKivDevAttachments::Answer CKivDevAttachments::progress(std::uint32_t uid, std::uint32_t session) {
    const std::unique_ptr<CKivDevDatabase> database = connect();
    if (!database) {
        return noDatabase();
    }
    std::optional<KivDevFileUpload> upload;
    if (!CKivDevFileStore(database->db(), m_limits).liveSession(session, upload)) {
        return noDatabase();
    }
    if (!upload || upload->uid != uid) {
        return noSession();
    }
    return answer(200, upload->complete() ? completeText(*upload) : QString::number(upload->held));
}

std::optional<CKivDevAttachments::Download> CKivDevAttachments::open(const QString& id) {
    const QString path = m_folder.filePath(id);
    const std::unique_ptr<CKivDevDatabase> database = connect();
    std::optional<KivDevFileUpload> upload;
    if (path.isEmpty() || !database ||
        !CKivDevFileStore(database->db(), m_limits).liveFile(id, upload) || !upload) {
        return std::nullopt;
    }
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly) || file->size() != upload->held) {
        qWarning().noquote() << "kivDevServer: attachment" << id << "is missing or damaged";
        return std::nullopt;
    }
    return Download{file, upload->held};
}

void CKivDevAttachments::removeExpired() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::unique_ptr<CKivDevDatabase> database = connect();
    if (!database) {
        return;
    }
    CKivDevFileStore store(database->db(), m_limits);
    const std::optional<std::vector<KivDevFileUpload>> expired = store.expired();
    if (!expired) {
        return;
    }
    for (const KivDevFileUpload& upload : *expired) {
        if (upload.complete()) {
            m_folder.removeFile(upload.id);
        } else {
            m_folder.removePart(upload.session);
        }
        if (store.remove(upload.session)) {
            qInfo().noquote() << "kivDevServer: expired attachment session" << upload.session
                              << "of uid" << upload.uid << "removed";
        }
    }
}
