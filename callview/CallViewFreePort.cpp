#include "CallViewFreePort.h"

#include "KivUdpSocket.h"

namespace {

constexpr int kFirstPort = 1100;
constexpr int kPortCount = 65535 - kFirstPort;

}  // namespace

CallViewFreePort::CallViewFreePort() : m_random(std::random_device{}()) {}

CallViewFreePort::CallViewFreePort(unsigned seed) : m_random(seed) {}

CallViewFreePort::~CallViewFreePort() = default;

int CallViewFreePort::Reserve() {
    const int start = int(m_random() % unsigned(kPortCount));
    for (int step = 0; step < kPortCount; ++step) {
        const int port = kFirstPort + (start + step) % kPortCount;
        if (auto socket = KivUdpSocket::bindAny(port)) {
            m_held[port] = std::move(socket);
            return port;
        }
    }
    return 0;
}

int CallViewFreePort::ReservePair() {
    const int start = int(m_random() % unsigned(kPortCount - 1));
    for (int step = 0; step < kPortCount - 1; ++step) {
        const int port = kFirstPort + (start + step) % (kPortCount - 1);
        auto first = KivUdpSocket::bindAny(port);
        auto second = first ? KivUdpSocket::bindAny(port + 1) : nullptr;
        if (second) {
            m_held[port] = std::move(first);
            m_held[port + 1] = std::move(second);
            return port;
        }
    }
    return 0;
}

void CallViewFreePort::Release(int port) {
    m_held.erase(port);
}
