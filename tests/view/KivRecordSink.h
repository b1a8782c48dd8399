#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// The server end of the net model's connection on a free loopback port:
// collects every record the client sends.
class KivRecordSink : public QObject {
public:
    KivRecordSink();
    quint16 port() const { return m_server.serverPort(); }
    // Every complete record of the given command received so far.
    QList<QByteArray> records(quint32 command) const;
    // Drops the client's connection.
    void disconnectPeer();

private:
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
    QByteArray m_bytes;
};
