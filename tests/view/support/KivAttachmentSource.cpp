#include "KivAttachmentSource.h"

#include <QCryptographicHash>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QUrl>

#include <algorithm>
#include <memory>

#include "CKivRawClient.h"

namespace {

constexpr quint32 kUid = 10001;
constexpr int kChunkBytes = 1024 * 1024;

}  // namespace

QByteArray KivRandomBytes(int size, quint32 seed) {
    QByteArray bytes(size, '\0');
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray KivSha256Hex(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

KivAttachment KivAttachmentSource::upload(const QString& name, const QByteArray& data) {
    KivAttachment attachment;
    attachment.name = name;
    attachment.size = quint64(data.size());
    const QByteArray session = openSession();
    if (session.toUInt() == 0)
        return attachment;
    for (int offset = 0, number = 1;; ++number) {
        const int length = std::min(kChunkBytes, data.size() - offset);
        const QByteArray answer = post(session, data, number, offset, length);
        offset += length;
        if (offset == data.size()) {
            // "200 <count> <id> <hash>"
            const QList<QByteArray> parts = answer.split(' ');
            if (parts.size() == 4 && parts.at(0) == "200") {
                attachment.id = QString::fromLatin1(parts.at(2));
                attachment.sha256 = parts.at(3);
            }
            return attachment;
        }
        if (answer != "200 " + QByteArray::number(offset))
            return attachment;
    }
}

QByteArray KivAttachmentSource::openSession() {
    CKivRawClient client;
    if (!client.connectTo(m_server.tcpPort()) ||
        !client.login(QString::number(kUid), QStringLiteral("123456")))
        return QByteArray();
    UploadFileRequest request;
    KivInitRecord(request, UploadFile);
    request.uid = kUid;
    request.kind = 2;  // a chat attachment
    client.send(request);
    auto reply = std::make_unique<UploadFileReply>();
    return client.waitFor(UploadFile, *reply) ? KivReadText(reply->text) : QByteArray();
}

QByteArray KivAttachmentSource::post(const QByteArray& session, const QByteArray& data, int number,
                                     int offset, int length) {
    const bool end = offset + length == data.size();
    const QString target = QStringLiteral(
                               "http://127.0.0.1:%1/?UserID=%2&Session=%3&FileSize=%4&Chunknum=%5"
                               "&QN=%6&End=%7&Type=bin&Attribution=2")
                               .arg(m_server.httpPort())
                               .arg(kUid)
                               .arg(QString::fromLatin1(session))
                               .arg(data.size())
                               .arg(number)
                               .arg(offset)
                               .arg(end ? 1 : 0);
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(target)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/octet-stream"));
    std::unique_ptr<QNetworkReply> reply(manager.post(request, data.mid(offset, length)));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!finished.wait(10000))
        return QByteArray();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toByteArray() + ' ' +
           reply->readAll();
}
