#include "CKivDevConnection.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QtDebug>

#include <algorithm>

namespace {

constexpr qint64 kRecoveryLifetimeSeconds = 600;
constexpr int kReadChunk = 16384;
constexpr int kCloseGraceMs = 5000;

}  // namespace

CKivDevConnection::CKivDevConnection(QTcpSocket* socket, RecordHandler handler, QObject* parent)
    : QObject(parent), m_socket(socket), m_handler(std::move(handler)), m_idle(this) {
    m_socket->setParent(this);
    m_socket->setReadBufferSize(CKivRecordCutter::kPendingCapacity);
    m_peer =
        QStringLiteral("%1:%2").arg(m_socket->peerAddress().toString()).arg(m_socket->peerPort());
    connect(m_socket, &QTcpSocket::readyRead, this, &CKivDevConnection::readAvailable);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_closing = true;
        m_idle.stop();
        if (!m_closedSignalled) {
            m_closedSignalled = true;
            emit closed(this);
        }
    });
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { close("idle"); });
    m_idle.start();
}

void CKivDevConnection::readAvailable() {
    char chunk[kReadChunk];
    while (!m_closing && m_socket->bytesAvailable() > 0) {
        const int room =
            std::min(kReadChunk, CKivRecordCutter::kPendingCapacity - m_cutter.pending());
        const qint64 got = m_socket->read(chunk, room);
        if (got <= 0 || !m_cutter.append(chunk, static_cast<int>(got))) {
            close("read failed or too much pending data");
            return;
        }
        m_idle.start();
        for (;;) {
            const CKivRecordCutter::Status status = m_cutter.next();
            if (status == CKivRecordCutter::Status::NeedMore) {
                break;
            }
            if (status == CKivRecordCutter::Status::Broken) {
                close("stream is not made of records");
                return;
            }
            m_handler(*this, m_cutter.record(), m_cutter.recordLength());
            if (m_closing) {
                return;
            }
        }
    }
}

void CKivDevConnection::sendBytes(const char* data, int length) {
    if (m_closing) {
        return;
    }
    if (m_socket->bytesToWrite() + length > kMaxUnsentBytes) {
        close("peer does not read its data");
        return;
    }
    m_socket->write(data, length);
    // Out now rather than on the next pass of the event loop: a client that
    // waits for each answer (the offline pull) waits less.
    m_socket->flush();
}

void CKivDevConnection::close(const char* reason) {
    if (m_closing) {
        return;
    }
    qInfo().noquote() << "kivDevServer: closing" << m_peer << "uid" << m_uid << "-" << reason;
    m_closing = true;
    m_idle.stop();
    m_socket->disconnectFromHost();
    // A peer that never takes the rest of its data is cut off.
    QTimer::singleShot(kCloseGraceMs, m_socket, &QTcpSocket::abort);
}

void CKivDevConnection::grantRecovery(std::uint32_t uid) {
    m_recoveryUid = uid;
    m_recoveryExpiresAt = QDateTime::currentSecsSinceEpoch() + kRecoveryLifetimeSeconds;
}

bool CKivDevConnection::takeRecovery(std::uint32_t uid) {
    const bool granted = uid != 0 && uid == m_recoveryUid &&
                         QDateTime::currentSecsSinceEpoch() <= m_recoveryExpiresAt;
    if (granted) {
        m_recoveryUid = 0;
    }
    return granted;
}

bool CKivDevConnection::isOwn(std::uint32_t uid, const char* command) const {
    if (uid == m_uid && m_uid != 0) {
        return true;
    }
    qWarning().noquote() << "kivDevServer:" << m_peer << "logged in as" << m_uid << "sent"
                         << command << "for uid" << uid << "- refused";
    return false;
}

void CKivDevConnection::ignore(const char* command, const char* reason) const {
    qWarning().noquote() << "kivDevServer:" << m_peer << "uid" << m_uid << "-" << command
                         << "ignored:" << reason;
}
