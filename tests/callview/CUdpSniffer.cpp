#include "CUdpSniffer.h"

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CUdpSniffer::CUdpSniffer() {
    m_fd = ::socket(AF_PACKET, SOCK_DGRAM, htons(ETH_P_IP));
    if (m_fd < 0) {
        return;
    }
    sockaddr_ll bound{};
    bound.sll_family = AF_PACKET;
    bound.sll_protocol = htons(ETH_P_IP);
    bound.sll_ifindex = int(if_nametoindex("lo"));
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&bound), sizeof(bound)) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_thread = std::thread([this] { Run(); });
}

CUdpSniffer::~CUdpSniffer() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

QList<QByteArray> CUdpSniffer::Payloads() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_payloads;
}

void CUdpSniffer::Run() {
    unsigned char packet[70000];
    while (!m_stop) {
        pollfd wait{m_fd, POLLIN, 0};
        if (::poll(&wait, 1, 100) <= 0) {
            continue;
        }
        sockaddr_ll from{};
        socklen_t size = sizeof(from);
        const ssize_t got =
            ::recvfrom(m_fd, packet, sizeof(packet), 0, reinterpret_cast<sockaddr*>(&from), &size);
        // Loopback shows each packet going out and coming in: keep one.
        if (got < 28 || from.sll_pkttype == PACKET_OUTGOING) {
            continue;
        }
        const int headerBytes = (packet[0] & 0x0F) * 4;
        const bool udp = packet[9] == 17;
        // Only whole datagrams (not IP fragments of a larger one) start with the UDP head.
        const bool first = ((packet[6] & 0x1F) | packet[7]) == 0;
        if (!udp || !first || got < headerBytes + 8) {
            continue;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        m_payloads.append(QByteArray(reinterpret_cast<const char*>(packet) + headerBytes + 8,
                                     int(got) - headerBytes - 8));
    }
}
