#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <mutex>
#include <thread>

// Sees every UDP datagram on the loopback interface, as someone on the path
// of a call would (a packet socket: needs CAP_NET_RAW).
class CUdpSniffer {
public:
    CUdpSniffer();
    ~CUdpSniffer();

    // False when the system gave no packet socket (not privileged).
    bool IsRunning() const { return m_fd >= 0; }
    // The UDP payloads seen so far.
    QList<QByteArray> Payloads() const;

private:
    void Run();

    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    QList<QByteArray> m_payloads;
    std::thread m_thread;
};
