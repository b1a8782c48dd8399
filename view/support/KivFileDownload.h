#pragma once

#include <QFile>
#include <QObject>
#include <QString>

#include "KivAttachment.h"
#include "KivSha256.h"
#include "support/KivSafeImage.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Fetches one announced file from the configured file server into a folder.
// The bytes go to "<name>.part" as they arrive, so a download that stops
// (cancelled, cut off, the program closed) goes on from there with a range
// next time. The file gets its final name only when it has exactly the
// announced size and SHA-256, and never replaces a file already there.
//
// Failed and Finished may be emitted from inside Start(); delete the object
// with deleteLater() from their slots.
class KivFileDownload : public QObject {
    Q_OBJECT
public:
    // Pictures up to this size are fetched without asking the user.
    static constexpr qint64 kPictureAutoFetchBytes = KivSafeImage::kMaxChatPictureBytes;
    static constexpr int kSilenceLimitMs = 30000;
    static constexpr qint64 kReadBufferBytes = 256 * 1024;

    // The user's download folder.
    static QString DefaultFolder();

    explicit KivFileDownload(const KivAttachment& attachment,
                             const QString& folder = DefaultFolder(), QObject* parent = nullptr);
    ~KivFileDownload() override;

    // Starts, or goes on from the part already in the folder. Does nothing
    // while running or once finished.
    void Start();
    // Stops without a signal; the part stays for a later Start().
    void Cancel();

    bool Running() const { return m_reply != nullptr; }
    qint64 Received() const { return m_received; }
    qint64 Total() const { return qint64(m_attachment.size); }
    const KivAttachment& Attachment() const { return m_attachment; }
    // The final path once finished; before that the name the file is meant
    // to get (a number is added if that name is taken by then).
    QString TargetPath() const;
    // Where the bytes go until the file is complete; empty before Start().
    QString PartPath() const { return m_partPath; }

    // A file announced above `bytes` is not fetched; -1: no cap.
    void SetByteCap(qint64 bytes) { m_byteCap = bytes; }
    // Fails when no bytes come for this long; for the requests from now on.
    void SetSilenceLimit(int ms) { m_silenceLimitMs = ms; }

signals:
    void Progress(qint64 received, qint64 total);
    void Finished(const QString& path);
    void Failed(const QString& reason);

private:
    bool OpenPart();
    bool HashPart();
    void Request();
    bool AcceptHead(QNetworkReply* reply);
    void ReadBody(QNetworkReply* reply);
    void ReplyFinished(QNetworkReply* reply);
    void DropReply();
    void StartOver();
    void Complete();
    void Fail(const QString& reason, bool removePart);
    void ReleasePart();
    QString NumberedName(int number) const;

    KivAttachment m_attachment;
    QString m_folder;
    // The safe name, cut to leave room for a number and ".part".
    QString m_stem;
    QString m_suffix;
    QString m_partPath;
    QString m_finalPath;
    QFile m_part;
    KivSha256 m_hash;
    QNetworkAccessManager* m_pManager = nullptr;
    QNetworkReply* m_reply = nullptr;
    QTimer* m_pSilence = nullptr;
    qint64 m_received = 0;
    qint64 m_requestedFrom = 0;
    qint64 m_byteCap = -1;
    int m_silenceLimitMs = kSilenceLimitMs;
    bool m_headAccepted = false;
    bool m_startedOver = false;  // at most once per Start()
    bool m_resumed = false;      // the hash holds bytes from an earlier run
    bool m_holdsPart = false;    // m_partPath is ours in this program
};
