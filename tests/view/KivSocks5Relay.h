#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>

class QTcpSocket;

// A small SOCKS5 proxy on a free loopback port: user name and password
// (when set), CONNECT to an IPv4 address, then relays both ways.
class KivSocks5Relay : public QObject {
public:
    KivSocks5Relay(const QByteArray& user, const QByteArray& password);
    quint16 port() const { return m_server.serverPort(); }
    // The last CONNECT request's target port, 0 before any.
    quint16 requestedPort() const { return m_requestedPort; }
    int relayedConnections() const { return m_relayed; }

private:
    void serve(QTcpSocket* client);

    QTcpServer m_server;
    QByteArray m_user;
    QByteArray m_password;
    quint16 m_requestedPort = 0;
    int m_relayed = 0;
};
