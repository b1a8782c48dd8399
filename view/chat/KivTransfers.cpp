#include "chat/KivTransfers.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "CKivChatOutbox.h"
#include "CKivSession.h"
#include "support/KivFileDownload.h"
#include "support/KivFileUpload.h"

KivTransfers::KivTransfers(CKivSession& session, QObject* parent)
    : QObject(parent), m_session(session) {}

KivTransfers::~KivTransfers() = default;

qint64 KivTransfers::SendFile(quint32 receiver, const QString& path, QString* error) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        *error = tr("无法读取文件：%1").arg(file.fileName());
        return 0;
    }
    if (quint64(file.size()) > KivAttachment::kMaxSize) {
        *error = tr("文件太大，最大 4 GB：%1").arg(file.fileName());
        return 0;
    }
    KivUploadQueries::Upload upload;
    upload.sender = m_session.Uid();
    upload.receiver = receiver;
    upload.path = file.absoluteFilePath();
    upload.name = KivAttachment::FitName(KivAttachment::SafeFileName(file.fileName()));
    upload.size = quint64(file.size());
    upload.id =
        KivUploadQueries::Add(upload.sender, receiver, upload.path, upload.name, upload.size);
    if (upload.id == 0) {
        *error = tr("无法保存到本机（磁盘已满或无法写入），未发送");
        return 0;
    }
    emit Added(upload.id, receiver);
    Launch(upload)->Start();
    return upload.id;
}

qint64 KivTransfers::SendPicture(quint32 receiver, const QImage& picture, QString* error) {
    // Kept with the account: the upload may go on after a restart.
    const QString folder = QStringLiteral("User/%1/Attachments").arg(m_session.User().account);
    const QString path =
        QStringLiteral("%1/截图%2.png")
            .arg(folder,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz")));
    QSaveFile file(path);
    if (picture.isNull() || !QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        !picture.save(&file, "PNG") || !file.commit()) {
        *error = tr("无法保存图片到本机，未发送");
        return 0;
    }
    return SendFile(receiver, path, error);
}

KivFileUpload* KivTransfers::Launch(const KivUploadQueries::Upload& upload) {
    auto* running = new KivFileUpload(m_session, upload, this);
    m_uploads.insert(upload.id, running);
    const qint64 id = upload.id;
    const quint32 receiver = upload.receiver;
    connect(running, &KivFileUpload::Progress, this,
            [this, id, receiver](quint64 sent, quint64 total) {
                emit Progress(id, receiver, sent, total);
            });
    connect(running, &KivFileUpload::Failed, this,
            [this, id, receiver](const QString& reason, bool final) {
                emit Failed(id, receiver, reason, final);
                emit RunningChanged(Running());
            });
    connect(running, &KivFileUpload::Done, this, [this, running](const KivAttachment& attachment) {
        const KivUploadQueries::Upload& done = running->Upload();
        const QString text = attachment.ToText();
        // The announcement is kept before the upload is forgotten: a crash
        // in between announces it twice at worst, never not at all.
        const qint64 outboxId =
            text.isEmpty() ? 0 : m_session.Outbox().Post(done.sender, done.receiver, text);
        if (outboxId == 0) {
            emit Failed(done.id, done.receiver, tr("无法保存到本机，稍后重试"), false);
            emit RunningChanged(Running());
            return;
        }
        KivUploadQueries::Remove(done.id);
        emit Announced(done.id, done.receiver, outboxId, text);
        Finished(running);
    });
    // Started by the caller, after it is known here.
    QMetaObject::invokeMethod(
        this, [this] { emit RunningChanged(Running()); }, Qt::QueuedConnection);
    return running;
}

void KivTransfers::Finished(KivFileUpload* upload) {
    m_uploads.remove(upload->Upload().id);
    upload->deleteLater();
    emit RunningChanged(Running());
}

void KivTransfers::ResumeAll() {
    for (const KivUploadQueries::Upload& upload : KivUploadQueries::Waiting(m_session.Uid())) {
        KivFileUpload* running = m_uploads.value(upload.id);
        if (!running)
            running = Launch(upload);
        if (!running->IsRunning())
            running->Start();
    }
}

void KivTransfers::Retry(qint64 id) {
    if (KivFileUpload* running = m_uploads.value(id)) {
        running->Start();
        emit RunningChanged(Running());
    }
}

void KivTransfers::Cancel(qint64 id) {
    KivFileUpload* running = m_uploads.take(id);
    if (!running)
        return;
    const quint32 receiver = running->Upload().receiver;
    running->Cancel();
    running->deleteLater();
    KivUploadQueries::Remove(id);
    emit Gone(id, receiver);
    emit RunningChanged(Running());
}

KivFileDownload* KivTransfers::Receive(const KivAttachment& attachment, const QString& folder) {
    auto* download = new KivFileDownload(attachment, folder, this);
    m_downloads.append(download);
    const auto ended = [this, download] {
        m_downloads.removeAll(download);
        download->deleteLater();
        emit RunningChanged(Running());
    };
    connect(download, &KivFileDownload::Finished, this, ended);
    connect(download, &KivFileDownload::Failed, this, ended);
    QMetaObject::invokeMethod(
        this, [this] { emit RunningChanged(Running()); }, Qt::QueuedConnection);
    return download;
}

int KivTransfers::Running() const {
    int running = 0;
    for (const KivFileDownload* download : m_downloads)
        running += download->Running() ? 1 : 0;
    for (const KivFileUpload* upload : m_uploads)
        running += upload->IsRunning() ? 1 : 0;
    return running;
}

QVector<KivUploadQueries::Upload> KivTransfers::Kept(quint32 receiver) const {
    QVector<KivUploadQueries::Upload> kept;
    for (const KivFileUpload* upload : m_uploads) {
        if (upload->Upload().receiver == receiver)
            kept.append(upload->Upload());
    }
    return kept;
}
