#include "CKivRawClient.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QSslConfiguration>

#include <algorithm>
#include <memory>

bool CKivRawClient::connectTo(quint16 port) {
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return m_socket.waitForConnected(kWaitMs);
}

bool CKivRawClient::connectTls(quint16 port, const QString& caFile) {
    QSslConfiguration config = m_socket.sslConfiguration();
    config.setCaCertificates(QSslCertificate::fromPath(caFile));
    m_socket.setSslConfiguration(config);
    m_socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    return m_socket.waitForEncrypted(kWaitMs);
}

bool CKivRawClient::login(const QString& account, const QString& password) {
    ConnectCheckRequest check;
    KivInitRecord(check, ConnectCheck);
    KivWriteText(check.text, "test");
    send(check);
    ConnectCheckResult checked;
    if (!waitFor(ConnectCheck, checked) || checked.result != 0) {
        return false;
    }
    sendLogin(account, password);
    LoginResult result;
    if (!waitFor(Login, result) || result.result != 0) {
        return false;
    }
    m_uid = result.uid;
    return true;
}

void CKivRawClient::sendLogin(const QString& account, const QString& password) {
    LoginRequest request;
    KivInitRecord(request, Login);
    KivWriteText(request.account, account.toLatin1());
    KivWriteText(request.password,
                 QCryptographicHash::hash(password.toLatin1(), QCryptographicHash::Md5).toHex());
    KivWriteText(request.localIp, "127.0.0.1");
    request.param1 = 23;
    request.param3 = 1;
    send(request);
}

void CKivRawClient::sendBytes(const char* data, int length) {
    m_socket.write(data, length);
    m_socket.flush();
}

bool CKivRawClient::takeQueued(std::uint32_t command, QByteArray& record) {
    for (auto it = m_records.begin(); it != m_records.end(); ++it) {
        std::uint32_t got = 0;
        std::memcpy(&got, it->constData() + 4, sizeof(got));
        if (got == command) {
            record = *it;
            m_records.erase(it);
            return true;
        }
    }
    return false;
}

bool CKivRawClient::readSome(int timeoutMs) {
    if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(timeoutMs)) {
        return false;
    }
    const QByteArray bytes = m_socket.readAll();
    for (int at = 0; at < bytes.size(); at += CKivRecordCutter::kDeliveryCapacity) {
        const int chunk = std::min(CKivRecordCutter::kDeliveryCapacity, bytes.size() - at);
        if (!m_cutter.append(bytes.constData() + at, chunk)) {
            return false;
        }
        while (m_cutter.next() == CKivRecordCutter::Status::Delivered) {
            m_records.emplace_back(m_cutter.record(), m_cutter.recordLength());
        }
    }
    return true;
}

QByteArray CKivRawClient::waitFor(std::uint32_t command, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    QByteArray record;
    while (!takeQueued(command, record)) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0 || !readSome(static_cast<int>(left))) {
            return QByteArray();
        }
    }
    return record;
}

bool CKivRawClient::silentFor(std::uint32_t command, int ms) {
    if (!waitFor(command, ms).isEmpty()) {
        return false;
    }
    QByteArray record;
    return !(readSome(0) && takeQueued(command, record));
}

bool CKivRawClient::waitForDisconnected(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (m_socket.state() != QAbstractSocket::UnconnectedState) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        if (!m_socket.waitForReadyRead(50)) {
            m_socket.readAll();
        }
        m_socket.readAll();
    }
    return true;
}

void CKivRawClient::sendChat(std::uint32_t to, const QByteArray& text, std::uint32_t from) {
    ChatMessageRecord chat;
    KivInitRecord(chat, ChatMessage);
    chat.senderUid = from != 0 ? from : m_uid;
    chat.receiverUid = to;
    KivWriteText(chat.text, text);
    send(chat);
}

void CKivRawClient::sendLeaveRequest(std::uint32_t lastRowId) {
    LeaveMessageRequest request;
    KivInitRecord(request, LeaveMessage);
    request.kind = 1;
    request.uid = m_uid;
    request.lastRowId = lastRowId;
    send(request);
}

void CKivRawClient::sendVipList() {
    auto request = std::make_unique<VipListRequest>();
    KivInitRecord(*request, VipList);
    request->accountLength = 5;
    KivWriteText(request->account, "10002");
    send(*request);
}
