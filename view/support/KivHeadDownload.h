#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches head pictures from the file server, for every window that shows
// one. A reply is cut off once it passes the byte cap or the time limit, the
// picture's size is checked before it is decoded, and the file is replaced
// only by a picture that decoded, in one step.
class KivHeadDownload : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;
    static constexpr int kTimeLimitMs = 20000;
    static constexpr qint64 kReadBufferBytes = 256 * 1024;

    explicit KivHeadDownload(QObject* parent = nullptr);

    // Fetches the head of `uid` and stores it as PNG at `path`.
    void Fetch(quint32 uid, const QString& path);
    // For the replies fetched from now on.
    void SetTimeLimit(int ms) { m_timeLimitMs = ms; }

signals:
    void Stored(quint32 uid, const QString& path);
    void Refused(quint32 uid, const QString& reason);

private:
    void Finished(QNetworkReply* reply, QByteArray body, quint32 uid, const QString& path);

    QNetworkAccessManager* m_pManager = nullptr;
    int m_timeLimitMs = kTimeLimitMs;
};
