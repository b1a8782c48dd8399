#include "CKivDevMediaListener.h"

#include <QNetworkDatagram>
#include <QtDebug>

#include <cstring>

#include "KivProtocol.h"

CKivDevMediaListener::CKivDevMediaListener(QObject* parent) : QObject(parent), m_socket(this) {
    connect(&m_socket, &QUdpSocket::readyRead, this, &CKivDevMediaListener::readDatagrams);
}

bool CKivDevMediaListener::listen(const QHostAddress& address, quint16 port, QString& error) {
    if (!m_socket.bind(address, port)) {
        error = m_socket.errorString();
        return false;
    }
    return true;
}

void CKivDevMediaListener::readDatagrams() {
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        const QByteArray data = datagram.data();
        const QString from = QStringLiteral("%1:%2")
                                 .arg(datagram.senderAddress().toString())
                                 .arg(datagram.senderPort());
        ptl_sys_send_per_media registration;
        if (data.size() != kRegistrationLength) {
            qWarning().noquote() << "kivDevServer: media datagram of" << data.size() << "bytes from"
                                 << from << "ignored";
            continue;
        }
        std::memcpy(&registration, data.constData(), sizeof(registration));
        if (registration.head.command != kRegistrationCommand ||
            registration.head.magic != FRAME_MAGIC) {
            qWarning().noquote() << "kivDevServer: media datagram from" << from
                                 << "is no registration";
            continue;
        }
        qInfo().noquote() << "kivDevServer: media registration from" << from << "self"
                          << registration.callerUid << "peer" << registration.calleeUid << "state"
                          << registration.state << "audio port" << registration.audioPortA;
    }
}
