#include "support/KivFileDownload.h"

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

#include "support/KivDeploymentConfig.h"
#include "support/KivFileServerTls.h"

namespace {

// What most file systems allow for one name, in bytes.
constexpr int kMaxNameBytes = 255;
const QString kPartSuffix = QStringLiteral(".part");
// " (9999)": room for the number that keeps a taken name free.
constexpr int kMaxNumber = 9999;
constexpr int kNumberBytes = 7;
constexpr qint64 kHashBlockBytes = 1024 * 1024;

// Why a download stopped; translated where they are shown.
const char* const kWrongHash = QT_TRANSLATE_NOOP("KivFileDownload", "文件校验失败，已删除");
const char* const kMoreThanAnnounced =
    QT_TRANSLATE_NOOP("KivFileDownload", "服务器发来的数据多于文件声明的大小，已停止并删除");
const char* const kLessThanAnnounced =
    QT_TRANSLATE_NOOP("KivFileDownload", "服务器发来的数据少于文件声明的大小，已删除");
const char* const kCutOff = QT_TRANSLATE_NOOP("KivFileDownload", "网络连接中断，可稍后继续下载");
const char* const kNotWritten =
    QT_TRANSLATE_NOOP("KivFileDownload", "无法写入下载的文件，磁盘可能已满");

// The parts being written by this program: two downloads of files that share
// a name must not write into one part.
QSet<QString>& PartsInUse() {
    static QSet<QString> parts;
    return parts;
}

bool IsHash(const QByteArray& hash) {
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    return hex.match(QString::fromLatin1(hash)).hasMatch();
}

QUrl FileUrl(const KivDeploymentConfig& config, const QString& id) {
    QUrl url;
    url.setScheme(config.FileScheme());
    url.setHost(config.FileHost());
    url.setPort(config.FilePort());
    url.setPath(QStringLiteral("/f/") + id);
    return url;
}

// The name split where a number goes: "photo" and ".png". A long "suffix"
// is no suffix but part of the name.
std::pair<QString, QString> SplitName(const QString& name) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.midRef(dot).toUtf8().size() > 33)
        return {name, QString()};
    return {name.left(dot), name.mid(dot)};
}

// Cut whole characters off the end, never half of a surrogate pair.
QString CutToBytes(QString text, int bytes) {
    while (!text.isEmpty() && text.toUtf8().size() > bytes)
        text.chop(text.size() >= 2 && text.at(text.size() - 1).isLowSurrogate() ? 2 : 1);
    return text;
}

// A part whose run bit or group write bit was set elsewhere loses them.
void KeepPlain(QFile& file) {
    const QFileDevice::Permissions drop = QFileDevice::ExeOwner | QFileDevice::ExeUser |
                                          QFileDevice::ExeGroup | QFileDevice::ExeOther |
                                          QFileDevice::WriteGroup | QFileDevice::WriteOther;
    file.setPermissions(file.permissions() & ~drop);
}

}  // namespace

QString KivFileDownload::DefaultFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    return folder.isEmpty() ? QDir::home().filePath(QStringLiteral("Downloads")) : folder;
}

KivFileDownload::KivFileDownload(const KivAttachment& attachment, const QString& folder,
                                 QObject* parent)
    : QObject(parent),
      m_attachment(attachment),
      m_folder(folder),
      m_pManager(new QNetworkAccessManager(this)),
      m_pSilence(new QTimer(this)) {
    // Room for " (n)" and ".part" within the file system's limit.
    const auto [stem, suffix] = SplitName(KivAttachment::SafeFileName(attachment.name));
    m_suffix = suffix;
    m_stem = CutToBytes(
        stem, kMaxNameBytes - int(kPartSuffix.size()) - kNumberBytes - suffix.toUtf8().size());
    m_pSilence->setSingleShot(true);
    connect(m_pSilence, &QTimer::timeout, this, [this] {
        Fail(tr("服务器 %1 秒没有发来数据，可稍后继续下载")
                 .arg(std::max(1, m_silenceLimitMs / 1000)),
             false);
    });
}

KivFileDownload::~KivFileDownload() {
    DropReply();
    ReleasePart();
}

QString KivFileDownload::NumberedName(int number) const {
    if (number == 0)
        return m_stem + m_suffix;
    return QStringLiteral("%1 (%2)%3").arg(m_stem).arg(number).arg(m_suffix);
}

QString KivFileDownload::TargetPath() const {
    return m_finalPath.isEmpty() ? QDir(m_folder).filePath(NumberedName(0)) : m_finalPath;
}

void KivFileDownload::Start() {
    if (m_reply || !m_finalPath.isEmpty())
        return;
    if (!KivAttachment::IsValidId(m_attachment.id) || !IsHash(m_attachment.sha256) ||
        m_attachment.size > KivAttachment::kMaxSize) {
        Fail(tr("附件信息无效，无法下载"), false);
        return;
    }
    if (m_byteCap >= 0 && Total() > m_byteCap) {
        Fail(tr("文件超过自动下载的大小上限"), false);
        return;
    }
    if (!QDir().mkpath(m_folder)) {
        Fail(tr("无法创建下载文件夹 %1").arg(m_folder), false);
        return;
    }
    m_startedOver = false;
    if (!OpenPart() || !HashPart())
        return;
    if (m_received > 0 && m_received == Total()) {
        Complete();
        return;
    }
    if (m_received > 0) {
        emit Progress(m_received, Total());
        if (!m_holdsPart)  // cancelled from the slot
            return;
    }
    Request();
}

void KivFileDownload::Cancel() {
    DropReply();
    ReleasePart();
}

bool KivFileDownload::OpenPart() {
    if (m_holdsPart)
        return true;
    QSet<QString>& inUse = PartsInUse();
    const QDir folder(m_folder);
    int number = 0;
    while (number < kMaxNumber &&
           inUse.contains(folder.absoluteFilePath(NumberedName(number) + kPartSuffix)))
        ++number;
    m_partPath = folder.absoluteFilePath(NumberedName(number) + kPartSuffix);
    inUse.insert(m_partPath);
    m_holdsPart = true;
    // Written through, so it must be our own plain file, not a link to another.
    const QFileInfo info(m_partPath);
    m_part.setFileName(m_partPath);
    if (info.isSymLink() || (info.exists() && !info.isFile()) ||
        !m_part.open(QIODevice::ReadWrite)) {
        Fail(tr("无法写入下载的文件 %1").arg(m_partPath), false);
        return false;
    }
    KeepPlain(m_part);
    return true;
}

bool KivFileDownload::HashPart() {
    m_hash.Reset();
    m_received = 0;
    m_resumed = false;
    const qint64 held = m_part.size();
    if (held > Total()) {
        // Longer than this file: not its part.
        if (!m_part.resize(0)) {
            Fail(tr(kNotWritten), false);
            return false;
        }
        return true;
    }
    if (!m_part.seek(0)) {
        Fail(tr(kNotWritten), false);
        return false;
    }
    while (m_received < held) {
        const QByteArray block = m_part.read(std::min(kHashBlockBytes, held - m_received));
        if (block.isEmpty()) {
            Fail(tr("无法读取已下载的部分"), false);
            return false;
        }
        m_hash.Add(block);
        m_received += block.size();
    }
    m_resumed = m_received > 0;
    return true;
}

void KivFileDownload::Request() {
    const KivDeploymentConfig config;
    const QUrl url = FileUrl(config, m_attachment.id);
    if (!url.isValid() || url.host().isEmpty()) {
        Fail(tr("文件服务器的地址无效"), false);
        return;
    }
    QNetworkRequest request = KivFileServerTls::Request(url, config);
    // Only the configured server: a redirect is a failure, not a new address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // The bytes as stored: a compressed answer would not match the size, the
    // hash or a range.
    request.setRawHeader("Accept-Encoding", "identity");
    if (m_received > 0)
        request.setRawHeader("Range", "bytes=" + QByteArray::number(m_received) + '-');
    m_requestedFrom = m_received;
    m_headAccepted = false;
    QNetworkReply* reply = m_pManager->get(request);
    m_reply = reply;
    KivFileServerTls::Watch(reply, config);
    // Bytes wait in the reply only up to this; the rest stays in the socket.
    reply->setReadBufferSize(kReadBufferBytes);
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { ReadBody(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { ReplyFinished(reply); });
    m_pSilence->start(m_silenceLimitMs);
}

bool KivFileDownload::AcceptHead(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 206 && m_requestedFrom > 0) {
        static const QRegularExpression form(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+)$"));
        const QRegularExpressionMatch range =
            form.match(QString::fromLatin1(reply->rawHeader("Content-Range")).trimmed());
        if (range.hasMatch() && range.captured(3).toLongLong() != Total()) {
            Fail(range.captured(3).toLongLong() > Total() ? tr(kMoreThanAnnounced)
                                                          : tr(kLessThanAnnounced),
                 true);
            return false;
        }
        if (!range.hasMatch() || range.captured(1).toLongLong() != m_requestedFrom ||
            range.captured(2).toLongLong() != Total() - 1) {
            Fail(tr("文件服务器的回应无效"), false);
            return false;
        }
    } else if (status == 200) {
        if (m_received > 0) {
            // The server sends the whole file instead of the rest.
            if (!m_part.resize(0) || !m_part.seek(0)) {
                Fail(tr(kNotWritten), false);
                return false;
            }
            m_hash.Reset();
            m_received = 0;
            m_resumed = false;
        }
    } else if (status == 416 && m_requestedFrom > 0 && !m_startedOver) {
        // The part no longer fits the file the server holds.
        DropReply();
        StartOver();
        return false;
    } else if (status == 404 || status == 410) {
        Fail(tr("文件不存在或已过期"), true);
        return false;
    } else {
        Fail(tr("文件服务器拒绝了下载（HTTP %1）").arg(status), false);
        return false;
    }
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 expected = Total() - m_received;
    if (length.isValid() && length.toLongLong() != expected) {
        Fail(length.toLongLong() > expected ? tr(kMoreThanAnnounced) : tr(kLessThanAnnounced),
             true);
        return false;
    }
    m_headAccepted = true;
    return true;
}

void KivFileDownload::ReadBody(QNetworkReply* reply) {
    if (reply != m_reply)
        return;
    if (!m_headAccepted) {
        // Other answers are judged once they end: Qt sets their error last.
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if ((status != 200 && status != 206) || !AcceptHead(reply))
            return;
    }
    bool any = false;
    while (reply->bytesAvailable() > 0) {
        const QByteArray block = reply->read(kReadBufferBytes);
        if (block.isEmpty())
            break;
        // Whatever the headers said: the announced size is all we take.
        if (m_received + block.size() > Total()) {
            Fail(tr(kMoreThanAnnounced), true);
            return;
        }
        if (m_part.write(block) != block.size()) {
            Fail(tr(kNotWritten), false);
            return;
        }
        m_hash.Add(block);
        m_received += block.size();
        any = true;
    }
    if (!any)
        return;
    m_pSilence->start(m_silenceLimitMs);
    emit Progress(m_received, Total());
}

void KivFileDownload::ReplyFinished(QNetworkReply* reply) {
    if (reply != m_reply)
        return;
    if (!reply->property("kivRefused").toString().isEmpty()) {
        Fail(tr("文件服务器未通过安全检查"), false);
        return;
    }
    if (!m_headAccepted) {
        if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
            Fail(tr(kCutOff), false);
            return;
        }
        if (!AcceptHead(reply))
            return;
    }
    ReadBody(reply);
    if (reply != m_reply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        Fail(tr(kCutOff), false);
        return;
    }
    DropReply();
    if (m_received < Total()) {
        Fail(tr(kLessThanAnnounced), true);
        return;
    }
    Complete();
}

void KivFileDownload::DropReply() {
    m_pSilence->stop();
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    if (!reply)
        return;
    reply->disconnect(this);
    // An answer in error (a 404) is already ended; deleting it drops the rest.
    if (reply->error() == QNetworkReply::NoError)
        reply->abort();
    reply->deleteLater();
}

void KivFileDownload::StartOver() {
    m_startedOver = true;
    m_resumed = false;
    if (!m_part.resize(0) || !m_part.seek(0)) {
        Fail(tr(kNotWritten), false);
        return;
    }
    m_hash.Reset();
    m_received = 0;
    Request();
}

void KivFileDownload::Complete() {
    if (!m_part.flush()) {
        Fail(tr(kNotWritten), false);
        return;
    }
    if (m_hash.HexResult() != m_attachment.sha256) {
        // A part left from another file of the same name spoils the hash:
        // once more from the start before the file is called damaged.
        if (m_resumed && !m_startedOver) {
            StartOver();
            return;
        }
        Fail(tr(kWrongHash), true);
        return;
    }
    m_part.close();
    const QDir folder(m_folder);
    for (int number = 0; number <= kMaxNumber && m_finalPath.isEmpty(); ++number) {
        const QString path = folder.absoluteFilePath(NumberedName(number));
        const QFileInfo taken(path);
        if (taken.exists() || taken.isSymLink())
            continue;
        // Never over another file: the rename refuses a name that exists by now.
        if (QFile::rename(m_partPath, path))
            m_finalPath = path;
        else if (!QFileInfo::exists(path))
            break;
    }
    if (m_finalPath.isEmpty()) {
        Fail(tr("无法以 %1 的名字保存文件").arg(NumberedName(0)), false);
        return;
    }
    ReleasePart();
    emit Finished(m_finalPath);
}

void KivFileDownload::Fail(const QString& reason, bool removePart) {
    DropReply();
    if (removePart && m_holdsPart)
        m_part.remove();
    ReleasePart();
    emit Failed(reason);
}

void KivFileDownload::ReleasePart() {
    if (m_part.isOpen())
        m_part.close();
    if (m_holdsPart)
        PartsInUse().remove(m_partPath);
    m_holdsPart = false;
}
