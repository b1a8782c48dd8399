#include "KivTcpRelay.h"

#include <QTimer>

KivTcpRelay::KivTcpRelay(quint16 serverPort) : m_serverPort(serverPort) {
    m_listener.listen(QHostAddress::LocalHost);
    connect(&m_listener, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = m_listener.nextPendingConnection()) {
            client->setParent(this);
            auto* server = new QTcpSocket(this);
            server->connectToHost(QHostAddress::LocalHost, m_serverPort);
            const auto carry = [this](QTcpSocket* from, QTcpSocket* to) {
                const QByteArray bytes = from->readAll();
                m_captured += bytes;
                to->write(bytes);
            };
            connect(client, &QTcpSocket::readyRead, server, [this, client, server, carry] {
                if (m_swallowing) {
                    client->readAll();
                    return;
                }
                if (m_delayMs <= 0) {
                    carry(client, server);
                    return;
                }
                const QByteArray bytes = client->readAll();
                m_captured += bytes;
                QTimer::singleShot(m_delayMs, server, [to = QPointer<QTcpSocket>(server), bytes] {
                    if (to)
                        to->write(bytes);
                });
            });
            connect(server, &QTcpSocket::readyRead, client,
                    [client, server, carry] { carry(server, client); });
            connect(client, &QTcpSocket::disconnected, server, &QTcpSocket::disconnectFromHost);
            connect(server, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            m_pairs.push_back({client, server});
            ++m_made;
        }
    });
}

void KivTcpRelay::Forget() {
    for (const Pair& pair : m_pairs) {
        pair.client->abort();
        pair.server->abort();
        pair.client->deleteLater();
        pair.server->deleteLater();
    }
    m_pairs.clear();
}
