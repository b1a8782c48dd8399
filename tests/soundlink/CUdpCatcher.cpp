#include "CUdpCatcher.h"

#include <QDeadlineTimer>
#include <QNetworkDatagram>

CUdpCatcher::CUdpCatcher() {
    m_socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
}

bool CUdpCatcher::WaitFor(int count, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    ReadAll();
    while (m_received.size() < count && !deadline.hasExpired()) {
        m_socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        ReadAll();
    }
    return m_received.size() >= count;
}

void CUdpCatcher::Drain(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        m_socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())));
        ReadAll();
    }
}

void CUdpCatcher::ReadAll() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        m_received.push_back({datagram.data(), static_cast<quint16>(datagram.senderPort())});
    }
}
