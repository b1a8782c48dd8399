#include "KivRefusingServer.h"

#include <QTcpSocket>
#include <cstring>

#include "KivProtocol.h"

KivRefusingServer::KivRefusingServer(quint16 port, int errorCode) : m_errorCode(errorCode) {
    m_server.listen(QHostAddress::LocalHost, port);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        }
    });
}

void KivRefusingServer::serve(QTcpSocket* socket) {
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    while (buffer.size() >= int(sizeof(FrameHeader))) {
        FrameHeader head;
        std::memcpy(&head, buffer.constData(), sizeof(head));
        if (head.length < sizeof(head) || buffer.size() < int(head.length))
            break;
        if (head.command == ConnectCheck) {
            ConnectCheckResult accepted;
            KivInitRecord(accepted, ConnectCheck);
            accepted.result = 0;
            socket->write(reinterpret_cast<const char*>(&accepted), sizeof(accepted));
        } else if (head.command == Login) {
            LoginResult refused;
            KivInitRecord(refused, Login);
            refused.result = 1;
            refused.errorCode = m_errorCode;
            socket->write(reinterpret_cast<const char*>(&refused), sizeof(refused));
            ++m_refusals;
        }
        buffer.remove(0, int(head.length));
    }
    socket->setProperty("buffer", buffer);
}
