#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// The server end of the net model's connection on a free loopback port:
// collects every record the client sends. Given a login answer, it plays a
// server that logs the client in and answers every offline-pull request with
// the end of the pull (which proves the records before it).
class KivRecordSink : public QObject {
public:
    KivRecordSink();
    // Connects the net model here and logs it in as `uid` of `account`, with
    // the VIP flag and gift balance given; false when that did not happen.
    bool LogIn(quint32 uid, const char* account, quint32 vip = 0, float balance = 0);
    quint16 port() const { return m_server.serverPort(); }
    // Every complete record of the given command received so far.
    QList<QByteArray> records(quint32 command) const;
    // Drops the client's connection.
    void disconnectPeer();

private:
    QTcpServer m_server;
    void Answer();

    QTcpSocket* m_peer = nullptr;
    QByteArray m_bytes;
    int m_answered = 0;  // bytes of m_bytes already looked at
    QByteArray m_loginAnswer;
};
