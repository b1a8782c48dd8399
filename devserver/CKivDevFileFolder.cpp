#include "CKivDevFileFolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtDebug>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kIdLength = 32;
constexpr qint64 kHashBlock = 1024 * 1024;
const char kIdAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";

bool syncFile(QFile& file) {
    return file.flush() && ::fsync(file.handle()) == 0;
}

}  // namespace

CKivDevFileFolder::CKivDevFileFolder(const QString& databasePath)
    : m_path(databasePath + QStringLiteral(".files")) {}

bool CKivDevFileFolder::create() {
    return QDir().mkpath(m_path);
}

bool CKivDevFileFolder::isId(const QString& id) {
    static const QRegularExpression rule(QStringLiteral("\\A[A-Za-z0-9_-]{16,64}\\z"));
    return rule.match(id).hasMatch();
}

QString CKivDevFileFolder::randomId() {
    QString id;
    id.reserve(kIdLength);
    // 64 letters: six random bits each, 192 bits in all.
    for (int i = 0; i < kIdLength; ++i) {
        id += QLatin1Char(kIdAlphabet[QRandomGenerator::system()->bounded(64)]);
    }
    return id;
}

QString CKivDevFileFolder::partPath(std::uint32_t session) const {
    return m_path + QStringLiteral("/%1.part").arg(session);
}

QString CKivDevFileFolder::filePath(const QString& id) const {
    return isId(id) ? m_path + QLatin1Char('/') + id : QString();
}

bool CKivDevFileFolder::append(std::uint32_t session, qint64 held, const char* bytes, qint64 size) {
    QFile part(partPath(session));
    if (!part.open(QIODevice::ReadWrite)) {
        qWarning().noquote() << "kivDevServer: cannot open" << part.fileName() << "-"
                             << part.errorString();
        return false;
    }
    if (part.size() < held) {
        qWarning().noquote() << "kivDevServer:" << part.fileName() << "holds" << part.size()
                             << "bytes, the database" << held;
        return false;
    }
    if ((part.size() > held && !part.resize(held)) || !part.seek(held)) {
        return false;
    }
    if (size > 0 && part.write(bytes, size) != size) {
        qWarning().noquote() << "kivDevServer: cannot write" << part.fileName() << "-"
                             << part.errorString();
        part.resize(held);
        return false;
    }
    return syncFile(part);
}

std::optional<QByteArray> CKivDevFileFolder::partHash(std::uint32_t session) const {
    QFile part(partPath(session));
    if (!part.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    while (!part.atEnd()) {
        const QByteArray block = part.read(kHashBlock);
        if (block.isEmpty()) {
            return std::nullopt;
        }
        hash.addData(block);
    }
    return hash.result().toHex();
}

bool CKivDevFileFolder::syncFolder() const {
    const int folder = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
    if (folder < 0) {
        return false;
    }
    const bool synced = ::fsync(folder) == 0;
    ::close(folder);
    return synced;
}

bool CKivDevFileFolder::publish(std::uint32_t session, const QString& id) {
    const QString target = filePath(id);
    return !target.isEmpty() && QFile::rename(partPath(session), target) && syncFolder();
}

bool CKivDevFileFolder::unpublish(std::uint32_t session, const QString& id) {
    const QString source = filePath(id);
    return !source.isEmpty() && QFile::rename(source, partPath(session));
}

void CKivDevFileFolder::removePart(std::uint32_t session) {
    QFile::remove(partPath(session));
}

void CKivDevFileFolder::removeFile(const QString& id) {
    const QString path = filePath(id);
    if (!path.isEmpty()) {
        QFile::remove(path);
    }
}
