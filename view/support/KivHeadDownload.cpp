#include "support/KivHeadDownload.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

#include "support/KivDeploymentConfig.h"
#include "support/KivFileServerTls.h"
#include "support/KivSafeImage.h"

KivHeadDownload::KivHeadDownload(QObject* parent)
    : QObject(parent), m_pManager(new QNetworkAccessManager(this)) {}

void KivHeadDownload::Fetch(quint32 uid, const QString& path) {
    const KivDeploymentConfig config;
    QNetworkReply* reply = m_pManager->get(KivFileServerTls::Request(config.HeadUrl(uid), config));
    KivFileServerTls::Watch(reply, config);
    // Read as it arrives through a small buffer, so the reply never holds
    // more than the cap however much the server sends.
    reply->setReadBufferSize(kReadBufferBytes);
    auto body = std::make_shared<QByteArray>();
    auto refuse = [reply](const QString& reason) {
        reply->setProperty("kivRefused", reason);
        reply->abort();
    };
    // A trickle keeps a transfer alive for ever, so the limit is on the whole reply.
    auto* limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, [refuse] { refuse(QStringLiteral("time limit")); });
    limit->start(m_timeLimitMs);
    connect(reply, &QNetworkReply::readyRead, reply, [reply, body, refuse] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxBytes) {
            refuse(QStringLiteral("too large"));
            return;
        }
        body->append(reply->readAll());
        if (body->size() > kMaxBytes)
            refuse(QStringLiteral("too large"));
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, body, uid, path] { Finished(reply, *body, uid, path); });
}

void KivHeadDownload::Finished(QNetworkReply* reply, QByteArray body, quint32 uid,
                               const QString& path) {
    reply->deleteLater();
    const QString refused = reply->property("kivRefused").toString();
    if (!refused.isEmpty() || reply->error() != QNetworkReply::NoError) {
        emit Refused(uid, refused.isEmpty() ? reply->errorString() : refused);
        return;
    }
    body.append(reply->readAll());
    if (body.size() > kMaxBytes) {
        emit Refused(uid, QStringLiteral("too large"));
        return;
    }
    QString error;
    const QImage image = KivSafeImage::Decode(body, &error);
    if (image.isNull()) {
        emit Refused(uid, error);
        return;
    }
    if (!KivSafeImage::StorePng(image, path)) {
        emit Refused(uid, QStringLiteral("not stored"));
        return;
    }
    emit Stored(uid, path);
}
