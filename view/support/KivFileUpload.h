#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include "KivAttachment.h"
#include "KivSha256.h"
#include "KivUploadQueries.h"

class CKivSession;
class QNetworkAccessManager;
class QNetworkReply;
class QUrlQuery;

// One file on its way to the file server: it asks for an upload session
// (unless it has one), learns how much of the file the server holds, and
// sends the rest in chunks. Each chunk the server confirmed is kept with the
// upload, so a broken connection or a restart of either side goes on from
// the last one. The file's SHA-256 is worked out from the bytes as they are
// sent and must be the one the server computed. Never holds more than one
// chunk of the file in memory.
class KivFileUpload : public QObject {
    Q_OBJECT
public:
    // Small enough to resume cheaply, large enough for the round trips not to count.
    static constexpr qint64 kChunkBytes = 4 * 1024 * 1024;
    // A request that sees no progress for this long fails.
    static constexpr int kStallMs = 30000;

    KivFileUpload(CKivSession& session, const KivUploadQueries::Upload& upload,
                  QObject* parent = nullptr);
    ~KivFileUpload() override;

    void Start();
    // Stops; what the server confirmed stays for a later Start.
    void Cancel();
    bool IsRunning() const { return m_running; }
    const KivUploadQueries::Upload& Upload() const { return m_upload; }

signals:
    void Progress(quint64 sent, quint64 total);
    // The server holds the whole file: this is what to announce.
    void Done(const KivAttachment& attachment);
    // Why it stopped, for the user. final: trying again cannot help (the
    // file changed or is gone, the server refuses it for good).
    void Failed(const QString& reason, bool final);

private:
    void AskSession();
    void AskStatus();
    // Hashes what the server holds before sending more, a block per turn of
    // the event loop, then sends the next chunk.
    void Continue();
    void SendChunk();
    void Answered(QNetworkReply* reply, qint64 chunkBytes);
    // "<count>" or "<count> <id> <hash>": takes the count, and the id and
    // hash once the file is complete. False when the answer is malformed.
    bool TakeAnswer(const QByteArray& body);
    void Complete();
    void Fail(const QString& reason, bool final = false);
    QNetworkReply* Request(const QString& path, const QUrlQuery& query, const QByteArray* body);

    CKivSession& m_session;
    KivUploadQueries::Upload m_upload;
    QNetworkAccessManager* m_pManager = nullptr;
    QPointer<QNetworkReply> m_pReply;
    QFile m_file;
    QByteArray m_chunk;
    KivSha256 m_hash;
    quint64 m_hashed = 0;
    QString m_id;
    QByteArray m_serverHash;
    bool m_running = false;
    bool m_askedAgain = false;
};
