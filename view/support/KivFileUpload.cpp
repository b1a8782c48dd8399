#include "support/KivFileUpload.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

#include "CKivSession.h"
#include "KivUploadSessions.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivFileServerTls.h"

namespace {

// The server takes a type of at most 16 letters and digits.
QString TypeOf(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    static const QRegularExpression plain(QStringLiteral("^[a-z0-9]{1,16}$"));
    return plain.match(suffix).hasMatch() ? suffix : QString();
}

}  // namespace

KivFileUpload::KivFileUpload(CKivSession& session, const KivUploadQueries::Upload& upload,
                             QObject* parent)
    : QObject(parent),
      m_session(session),
      m_upload(upload),
      m_pManager(new QNetworkAccessManager(this)) {}

KivFileUpload::~KivFileUpload() {
    Cancel();
}

void KivFileUpload::Start() {
    if (m_running)
        return;
    m_file.close();
    m_file.setFileName(m_upload.path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        Fail(tr("文件已不存在或无法读取"), true);
        return;
    }
    if (quint64(m_file.size()) != m_upload.size) {
        Fail(tr("文件在发送前被修改，请重新发送"), true);
        return;
    }
    m_running = true;
    m_askedAgain = false;
    m_hash.Reset();
    m_hashed = 0;
    m_id.clear();
    m_serverHash.clear();
    if (m_upload.session == 0)
        AskSession();
    else
        AskStatus();
}

void KivFileUpload::Cancel() {
    m_running = false;
    if (QNetworkReply* reply = m_pReply) {
        m_pReply = nullptr;
        reply->abort();
    }
    m_chunk.clear();
}

void KivFileUpload::AskSession() {
    const bool asked = m_session.Uploads().Ask(KivUploadAttachment, this, [this](quint32 session) {
        if (!m_running)
            return;
        if (session == 0) {
            Fail(tr("服务器没有接受上传（空间已满，或连接已断开）"));
            return;
        }
        m_upload.session = session;
        m_upload.sent = 0;
        KivUploadQueries::SetSession(m_upload.id, session);
        m_hash.Reset();
        m_hashed = 0;
        Continue();
    });
    if (!asked)
        Fail(tr("网络连接已断开，连接恢复后继续发送"));
}

QNetworkReply* KivFileUpload::Request(const QString& path, const QUrlQuery& query,
                                      const QByteArray* body) {
    const KivDeploymentConfig config;
    QUrl url;
    url.setScheme(config.FileScheme());
    url.setHost(config.FileHost());
    url.setPort(config.FilePort());
    url.setPath(path);
    url.setQuery(query);
    QNetworkRequest request = KivFileServerTls::Request(url, config);
    request.setTransferTimeout(kStallMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply* reply;
    if (body) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/octet-stream"));
        reply = m_pManager->post(request, *body);
    } else {
        reply = m_pManager->get(request);
    }
    KivFileServerTls::Watch(reply, config);
    m_pReply = reply;
    return reply;
}

void KivFileUpload::AskStatus() {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("UserID"), QString::number(m_upload.sender));
    query.addQueryItem(QStringLiteral("Session"), QString::number(m_upload.session));
    QNetworkReply* reply = Request(QStringLiteral("/upload"), query, nullptr);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { Answered(reply, -1); });
}

void KivFileUpload::Continue() {
    if (!m_running)
        return;
    // What the server holds is hashed from the file itself, a block at a time.
    if (m_hashed < m_upload.sent) {
        const qint64 block = qMin<qint64>(kChunkBytes, qint64(m_upload.sent - m_hashed));
        QByteArray bytes;
        if (!m_file.seek(qint64(m_hashed)) || (bytes = m_file.read(block)).size() != block) {
            Fail(tr("文件在发送中被修改，请重新发送"), true);
            return;
        }
        m_hash.Add(bytes);
        m_hashed += quint64(block);
        QTimer::singleShot(0, this, &KivFileUpload::Continue);
        return;
    }
    if (!m_id.isEmpty()) {
        Complete();
        return;
    }
    SendChunk();
}

void KivFileUpload::SendChunk() {
    const qint64 length = qMin<qint64>(kChunkBytes, qint64(m_upload.size - m_upload.sent));
    if (!m_file.seek(qint64(m_upload.sent)) || (m_chunk = m_file.read(length)).size() != length) {
        Fail(tr("文件在发送中被修改，请重新发送"), true);
        return;
    }
    const bool last = m_upload.sent + quint64(length) == m_upload.size;
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("UserID"), QString::number(m_upload.sender));
    query.addQueryItem(QStringLiteral("Session"), QString::number(m_upload.session));
    query.addQueryItem(QStringLiteral("FileSize"), QString::number(m_upload.size));
    query.addQueryItem(QStringLiteral("Chunknum"),
                       QString::number(m_upload.sent / quint64(kChunkBytes) + 1));
    query.addQueryItem(QStringLiteral("QN"), QString::number(m_upload.sent));
    query.addQueryItem(QStringLiteral("End"), last ? QStringLiteral("1") : QStringLiteral("0"));
    query.addQueryItem(QStringLiteral("Type"), TypeOf(m_upload.name));
    query.addQueryItem(QStringLiteral("Attribution"), QString::number(KivUploadAttachment));
    QNetworkReply* reply = Request(QStringLiteral("/"), query, &m_chunk);
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64) {
        emit Progress(m_upload.sent + quint64(qMax<qint64>(sent, 0)), m_upload.size);
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, length] { Answered(reply, length); });
}

void KivFileUpload::Answered(QNetworkReply* reply, qint64 chunkBytes) {
    reply->deleteLater();
    if (reply != m_pReply || !m_running)
        return;
    m_pReply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body = reply->readAll().left(512);
    const quint64 before = m_upload.sent;
    if (status == 403 && !m_askedAgain) {
        // The session expired or the server forgot it: start over in a new one.
        m_askedAgain = true;
        m_upload.session = 0;
        KivUploadQueries::SetSession(m_upload.id, 0);
        AskSession();
        return;
    }
    if (status == 413 || status == 403 || status == 400 || status == 415) {
        Fail(tr("服务器拒绝了这个文件：%1").arg(QString::fromUtf8(body).trimmed()), true);
        return;
    }
    if ((status != 200 && status != 409) || !TakeAnswer(body)) {
        const QString refused = reply->property("kivRefused").toString();
        Fail(tr("上传中断：%1")
                 .arg(!refused.isEmpty() ? refused
                      : status != 0      ? QStringLiteral("HTTP %1").arg(status)
                                         : reply->errorString()));
        return;
    }
    if (status == 200 && chunkBytes >= 0 && m_upload.sent == before + quint64(chunkBytes) &&
        m_hashed == before) {
        // The chunk just sent is what the server took: hash it from memory.
        m_hash.Add(m_chunk);
        m_hashed = m_upload.sent;
    } else if (m_upload.sent < m_hashed) {
        // The server holds less than was hashed: hash again from the start.
        m_hash.Reset();
        m_hashed = 0;
    }
    m_chunk.clear();
    KivUploadQueries::SetSent(m_upload.id, m_upload.sent);
    emit Progress(m_upload.sent, m_upload.size);
    Continue();
}

bool KivFileUpload::TakeAnswer(const QByteArray& body) {
    const QList<QByteArray> words = body.trimmed().split(' ');
    bool ok = false;
    const quint64 count = words.value(0).toULongLong(&ok);
    if (!ok || count > m_upload.size || (words.size() != 1 && words.size() != 3))
        return false;
    if (words.size() == 3) {
        const QString id = QString::fromLatin1(words.at(1));
        if (count != m_upload.size || !KivAttachment::IsValidId(id))
            return false;
        m_id = id;
        m_serverHash = words.at(2);
    }
    m_upload.sent = count;
    return true;
}

void KivFileUpload::Complete() {
    const QByteArray own = m_hash.HexResult();
    if (own != m_serverHash) {
        Fail(tr("文件在发送中被修改，请重新发送"), true);
        return;
    }
    m_running = false;
    m_file.close();
    KivAttachment attachment;
    attachment.name = m_upload.name;
    attachment.size = m_upload.size;
    attachment.id = m_id;
    attachment.sha256 = own;
    emit Done(attachment);
}

void KivFileUpload::Fail(const QString& reason, bool final) {
    Cancel();
    m_file.close();
    emit Failed(reason, final);
}
