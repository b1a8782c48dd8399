#pragma once

#include <QImage>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

#include "KivUploadQueries.h"

class CKivSession;
class KivFileDownload;
class KivFileUpload;
struct KivAttachment;

// The session's files on their way to friends: each is kept with the account
// before anything is sent, goes to the file server in chunks, and is announced
// through the outbox once the server holds all of it, so a file message is
// never lost and never announced before the file exists. What was under way
// goes on after a lost connection or a restart of the program.
class KivTransfers : public QObject {
    Q_OBJECT
public:
    explicit KivTransfers(CKivSession& session, QObject* parent = nullptr);
    ~KivTransfers() override;

    // Keeps `path` to send to `receiver` and starts it; the upload's id, or 0
    // with the reason in `error`.
    qint64 SendFile(quint32 receiver, const QString& path, QString* error);
    // A pasted or captured picture: kept as PNG with the account first.
    qint64 SendPicture(quint32 receiver, const QImage& picture, QString* error);
    // Starts every kept upload that does not run (after a login or when the
    // connection came back).
    void ResumeAll();
    void Retry(qint64 id);
    // Stops an upload and forgets it: nothing is announced.
    void Cancel(qint64 id);
    // Fetches an announced file into `folder`; the download runs until it
    // finishes or fails (then it goes), counted with the uploads meanwhile.
    KivFileDownload* Receive(const KivAttachment& attachment, const QString& folder);
    // Uploads and downloads that run now.
    int Running() const;
    // The kept uploads to `receiver`, oldest first.
    QVector<KivUploadQueries::Upload> Kept(quint32 receiver) const;

signals:
    void Added(qint64 id, quint32 receiver);
    void Progress(qint64 id, quint32 receiver, quint64 sent, quint64 total);
    // final: it will not be tried again by itself (the file changed, the
    // server refuses it for good); otherwise it is, when the connection is back.
    void Failed(qint64 id, quint32 receiver, const QString& reason, bool final);
    // The file is on the server and its announcement is in the outbox.
    void Announced(qint64 id, quint32 receiver, qint64 outboxId, const QString& text);
    void Gone(qint64 id, quint32 receiver);
    void RunningChanged(int running);

private:
    KivFileUpload* Launch(const KivUploadQueries::Upload& upload);
    void Finished(KivFileUpload* upload);

    CKivSession& m_session;
    QMap<qint64, KivFileUpload*> m_uploads;
    QList<KivFileDownload*> m_downloads;
};
