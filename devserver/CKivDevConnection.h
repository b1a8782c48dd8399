#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>

#include "CKivRecordCutter.h"
#include "KivProtocol.h"

class QTcpSocket;

// One client's TCP connection: cuts its byte stream into records, hands each
// to the record handler, and sends answers. Owns its socket.
class CKivDevConnection : public QObject {
    Q_OBJECT
public:
    using RecordHandler = std::function<void(CKivDevConnection&, const char*, int)>;

    // A connection that does not send a record for this long is closed.
    static constexpr int kIdleTimeoutMs = 180000;
    // A peer that lets this much unsent data pile up is closed.
    static constexpr qint64 kMaxUnsentBytes = 4 * 1024 * 1024;

    CKivDevConnection(QTcpSocket* socket, RecordHandler handler, QObject* parent);

    template <class R>
    void send(const R& record) {
        static_assert(KivIsRecord<R>, "not a wire record");
        const std::uint32_t length = record.head.length;
        if (length < sizeof(FrameHeader) || length > sizeof(R)) {
            return;
        }
        sendBytes(reinterpret_cast<const char*>(&record), static_cast<int>(length));
    }
    // Sends what is queued, then closes; records that arrive later are dropped.
    void close(const char* reason);

    std::uint32_t uid() const { return m_uid; }
    bool loggedIn() const { return m_uid != 0; }
    void setUid(std::uint32_t uid) { m_uid = uid; }
    const QString& peer() const { return m_peer; }
    // True when `uid` is the logged-in user's own; otherwise logs the refusal.
    bool isOwn(std::uint32_t uid, const char* command) const;
    // Logs why a record was not acted upon.
    void ignore(const char* command, const char* reason) const;
    bool closing() const { return m_closing; }

    void noteHeartbeat() { m_lastHeartbeat = QDateTime::currentDateTimeUtc(); }
    const QDateTime& lastHeartbeat() const { return m_lastHeartbeat; }

    // A password-recovery check number for `uid` went to this connection;
    // NewPassword is accepted only for that uid, once, for a while.
    void grantRecovery(std::uint32_t uid);
    bool takeRecovery(std::uint32_t uid);

signals:
    void closed(CKivDevConnection* connection);

private:
    void readAvailable();
    void sendBytes(const char* data, int length);

    QTcpSocket* m_socket;  // child of this object
    RecordHandler m_handler;
    CKivRecordCutter m_cutter;
    QTimer m_idle;
    QString m_peer;
    std::uint32_t m_uid = 0;
    bool m_closing = false;
    bool m_closedSignalled = false;
    QDateTime m_lastHeartbeat;
    std::uint32_t m_recoveryUid = 0;
    qint64 m_recoveryExpiresAt = 0;
};
