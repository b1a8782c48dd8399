#pragma once

#include <QByteArray>
#include <QTcpServer>

// A messaging server that accepts the connection check and refuses every
// login with one error code; it takes over a port that the real server left.
class KivRefusingServer : public QObject {
public:
    KivRefusingServer(quint16 port, int errorCode);
    bool listening() const { return m_server.isListening(); }
    int refusals() const { return m_refusals; }

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    int m_errorCode;
    int m_refusals = 0;
};
