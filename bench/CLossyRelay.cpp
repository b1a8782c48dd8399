#include "CLossyRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <queue>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Pending {
    Clock::time_point due;
    int socket;
    int port;
    std::vector<char> bytes;
    bool operator>(const Pending& other) const { return due > other.due; }
};

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

}  // namespace

CLossyRelay::CLossyRelay(double dropShare, int maxDelayMs)
    : m_dropShare(dropShare), m_maxDelayMs(maxDelayMs) {}

CLossyRelay::~CLossyRelay() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (int socket : m_sockets) {
        if (socket >= 0) {
            close(socket);
        }
    }
}

bool CLossyRelay::Start(int portA, int portB) {
    m_targets[0] = portB;
    m_targets[1] = portA;
    for (int side = 0; side < 2; ++side) {
        m_sockets[side] = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address = Loopback(0);
        socklen_t length = sizeof(address);
        if (m_sockets[side] < 0 ||
            bind(m_sockets[side], reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            getsockname(m_sockets[side], reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return false;
        }
        m_ports[side] = ntohs(address.sin_port);
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void CLossyRelay::Run() {
    std::mt19937 random(27);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::uniform_int_distribution<int> delayUs(0, m_maxDelayMs * 1000);
    std::priority_queue<Pending, std::vector<Pending>, std::greater<Pending>> pending;
    std::vector<char> buffer(65536);
    while (!m_stop) {
        pollfd polls[2] = {{m_sockets[0], POLLIN, 0}, {m_sockets[1], POLLIN, 0}};
        poll(polls, 2, 1);
        for (int side = 0; side < 2; ++side) {
            if ((polls[side].revents & POLLIN) == 0) {
                continue;
            }
            const ssize_t got = recv(m_sockets[side], buffer.data(), buffer.size(), 0);
            if (got <= 0 || chance(random) < m_dropShare) {
                continue;
            }
            // Leaves from the other side's socket, so each side answers to its own port.
            pending.push({Clock::now() + std::chrono::microseconds(delayUs(random)),
                          m_sockets[1 - side], m_targets[side],
                          std::vector<char>(buffer.begin(), buffer.begin() + got)});
        }
        while (!pending.empty() && pending.top().due <= Clock::now()) {
            const Pending& next = pending.top();
            const sockaddr_in target = Loopback(next.port);
            sendto(next.socket, next.bytes.data(), next.bytes.size(), 0,
                   reinterpret_cast<const sockaddr*>(&target), sizeof(target));
            pending.pop();
        }
    }
}
