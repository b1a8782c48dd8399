#include "KivScriptedServer.h"

#include <cstring>

#include "KivProtocol.h"

ScriptedServer::ScriptedServer() {
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* next = server.nextPendingConnection()) {
            peer = next;
            cutter.clear();
            connect(peer, &QTcpSocket::readyRead, this, [this, next] { read(next); });
        }
    });
}

void ScriptedServer::read(QTcpSocket* from) {
    const QByteArray bytes = from->readAll();
    if (from != peer) {
        return;
    }
    cutter.append(bytes.constData(), bytes.size());
    while (cutter.next() == CKivRecordCutter::Status::Delivered) {
        received.append(QByteArray(cutter.record(), cutter.recordLength()));
    }
}

QList<quint32> ScriptedServer::commands() const {
    QList<quint32> all;
    for (const QByteArray& record : received) {
        FrameHeader head;
        std::memcpy(&head, record.constData(), sizeof(head));
        all.append(head.command);
    }
    return all;
}

void ScriptedServer::send(const QByteArray& bytes) {
    peer->write(bytes);
    peer->flush();
}
