#pragma once

#include <QByteArray>
#include <QUdpSocket>
#include <QVector>

// A loopback UDP socket that collects what arrives, with the sender's port.
class CUdpCatcher {
public:
    struct Datagram {
        QByteArray bytes;
        quint16 fromPort;
    };

    CUdpCatcher();
    quint16 Port() const { return m_socket.localPort(); }
    // Waits until count datagrams arrived in all; false on time-out.
    bool WaitFor(int count, int timeoutMs = 5000);
    // Collects for a while; for checks that nothing arrives.
    void Drain(int ms);
    const QVector<Datagram>& Received() const { return m_received; }

private:
    void ReadAll();

    QUdpSocket m_socket;
    QVector<Datagram> m_received;
};
