#pragma once

#include <QByteArray>
#include <QSslSocket>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>

#include "CKivRecordCutter.h"
#include "KivProtocol.h"

// A client on a raw loopback socket that sends records built from the wire
// structs and waits for the server's records by command.
class CKivRawClient {
public:
    static constexpr int kWaitMs = 3000;

    bool connectTo(quint16 port);
    // The same inside TLS, trusting the authorities of `caFile`.
    bool connectTls(quint16 port, const QString& caFile);
    // ConnectCheck, then Login with the password's MD5; true on result 0.
    bool login(const QString& account, const QString& password);
    void sendLogin(const QString& account, const QString& password);
    std::uint32_t uid() const { return m_uid; }

    template <class R>
    void send(const R& record) {
        sendBytes(reinterpret_cast<const char*>(&record), static_cast<int>(record.head.length));
    }
    void sendBytes(const char* data, int length);

    // The next record with `command` (earlier other records stay queued), or
    // an empty array after the timeout.
    QByteArray waitFor(std::uint32_t command, int timeoutMs = kWaitMs);
    // The record read into R (zero past its end); false after the timeout.
    template <class R>
    bool waitFor(std::uint32_t command, R& record, int timeoutMs = kWaitMs) {
        const QByteArray bytes = waitFor(command, timeoutMs);
        std::memset(&record, 0, sizeof(R));
        std::memcpy(&record, bytes.constData(),
                    std::min(sizeof(R), static_cast<std::size_t>(bytes.size())));
        return !bytes.isEmpty();
    }
    // True when no record with `command` arrives within `ms`, nor has
    // arrived by its end (with 0: none has arrived so far).
    bool silentFor(std::uint32_t command, int ms = 300);
    bool waitForDisconnected(int timeoutMs = kWaitMs);
    bool connected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    // Requests for the common cases.
    void sendChat(std::uint32_t to, const QByteArray& text, std::uint32_t from = 0);
    void sendLeaveRequest(std::uint32_t lastRowId);
    void sendVipList();

private:
    bool readSome(int timeoutMs);
    bool takeQueued(std::uint32_t command, QByteArray& record);

    QSslSocket m_socket;
    CKivRecordCutter m_cutter;
    std::deque<QByteArray> m_records;
    std::uint32_t m_uid = 0;
};
