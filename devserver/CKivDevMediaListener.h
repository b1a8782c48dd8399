#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUdpSocket>

// The media server's registration port: logs each 176-byte registration a
// call sends when it starts. Media itself is not relayed.
class CKivDevMediaListener : public QObject {
    Q_OBJECT
public:
    static constexpr int kRegistrationLength = 176;
    static constexpr quint32 kRegistrationCommand = 11001;

    explicit CKivDevMediaListener(QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port, QString& error);
    quint16 port() const { return m_socket.localPort(); }

private:
    void readDatagrams();

    QUdpSocket m_socket;
};
