#include "KivSocks5Relay.h"

#include <QHostAddress>
#include <QTcpSocket>

KivSocks5Relay::KivSocks5Relay(const QByteArray& user, const QByteArray& password)
    : m_user(user), m_password(password) {
    m_server.listen(QHostAddress::LocalHost);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = m_server.nextPendingConnection())
            serve(client);
    });
}

void KivSocks5Relay::serve(QTcpSocket* client) {
    // 0: greeting, 1: password, 2: request, 3: relaying.
    auto stage = std::make_shared<int>(0);
    auto buffer = std::make_shared<QByteArray>();
    auto* target = new QTcpSocket(client);
    connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    connect(target, &QTcpSocket::readyRead, client,
            [client, target] { client->write(target->readAll()); });
    connect(target, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
    connect(target, &QTcpSocket::connected, client, [this, client, target, stage, buffer] {
        ++m_relayed;
        *stage = 3;
        client->write(QByteArray::fromHex("05000001") + QByteArray(6, '\0'));
        if (!buffer->isEmpty())
            target->write(*buffer);
        buffer->clear();
    });
    connect(client, &QTcpSocket::readyRead, client, [this, client, target, stage, buffer] {
        *buffer += client->readAll();
        if (*stage == 3) {
            target->write(*buffer);
            buffer->clear();
            return;
        }
        const auto byteAt = [&](int i) { return quint8(buffer->at(i)); };
        if (*stage == 0 && buffer->size() >= 2 && buffer->size() >= 2 + byteAt(1)) {
            const QByteArray methods = buffer->mid(2, byteAt(1));
            buffer->remove(0, 2 + byteAt(1));
            const bool wantPassword = !m_user.isEmpty();
            if (wantPassword && !methods.contains('\x02')) {
                client->write(QByteArray::fromHex("05ff"));
                client->disconnectFromHost();
                return;
            }
            client->write(wantPassword ? QByteArray::fromHex("0502") : QByteArray::fromHex("0500"));
            *stage = wantPassword ? 1 : 2;
        }
        if (*stage == 1 && buffer->size() >= 2) {
            const int userLength = byteAt(1);
            if (buffer->size() < 3 + userLength ||
                buffer->size() < 3 + userLength + byteAt(2 + userLength))
                return;
            const QByteArray user = buffer->mid(2, userLength);
            const QByteArray password = buffer->mid(3 + userLength, byteAt(2 + userLength));
            buffer->remove(0, 3 + userLength + password.size());
            const bool ok = user == m_user && password == m_password;
            client->write(ok ? QByteArray::fromHex("0100") : QByteArray::fromHex("0101"));
            if (!ok) {
                client->disconnectFromHost();
                return;
            }
            *stage = 2;
        }
        if (*stage == 2 && buffer->size() >= 10 && byteAt(3) == 1) {
            const QHostAddress address((quint32(byteAt(4)) << 24) | (byteAt(5) << 16) |
                                       (byteAt(6) << 8) | byteAt(7));
            m_requestedPort = quint16((byteAt(8) << 8) | byteAt(9));
            buffer->remove(0, 10);
            *stage = 4;  // waiting for the target
            target->connectToHost(address, m_requestedPort);
        }
    });
}
