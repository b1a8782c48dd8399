#include "CMediaTap.h"

#include "KivUdpSocket.h"

namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

}  // namespace

CMediaTap::CMediaTap(int targetPort) : m_socket(KivUdpSocket::bindAny(0)), m_target(targetPort) {
    m_thread = std::thread([this] { Run(); });
}

CMediaTap::~CMediaTap() {
    m_stop = true;
    m_thread.join();
}

int CMediaTap::Port() const {
    return m_socket ? m_socket->localPort() : 0;
}

QList<QByteArray> CMediaTap::Seen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_seen;
}

void CMediaTap::Inject(const QByteArray& datagram) {
    m_socket->sendTo(kLoopback, m_target, datagram.constData(), datagram.size());
}

void CMediaTap::Run() {
    char buffer[8192];
    while (m_socket && !m_stop) {
        const int length = m_socket->receive(buffer, sizeof(buffer), 50);
        if (length < 0) {
            return;
        }
        if (length > 0) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                m_seen.append(QByteArray(buffer, length));
            }
            m_socket->sendTo(kLoopback, m_target, buffer, length);
        }
    }
}
