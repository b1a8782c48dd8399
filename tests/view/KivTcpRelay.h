#pragma once

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

// Forwards every connection made to its port to a server port, both ways.
// Forget() drops the connections it carries without a word to either side's
// peer, as a relay that lost its state would: the server sees them close.
class KivTcpRelay : public QObject {
public:
    explicit KivTcpRelay(quint16 serverPort);
    quint16 port() const { return m_listener.serverPort(); }
    int connectionsMade() const { return m_made; }
    // Every byte it carried, both ways, as a capture of the link would hold.
    const QByteArray& Captured() const { return m_captured; }
    void Forget();
    // From now on what the client sends is read and dropped, as by a relay
    // whose far side died in the same second.
    void SetSwallowing(bool swallowing) { m_swallowing = swallowing; }
    // What the client sends reaches the server this much later.
    void SetUpstreamDelayMs(int ms) { m_delayMs = ms; }

private:
    struct Pair {
        QTcpSocket* client;
        QTcpSocket* server;
    };

    QTcpServer m_listener;
    quint16 m_serverPort;
    std::vector<Pair> m_pairs;
    int m_made = 0;
    QByteArray m_captured;
    bool m_swallowing = false;
    int m_delayMs = 0;
};
