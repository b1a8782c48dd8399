#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class KivUdpSocket;

// A point on the path between two call transports on loopback: what arrives
// on its port goes on to the target port, and a copy is kept. What a test
// injects leaves from the same socket, so the target takes it as coming from
// the peer's side of the path.
class CMediaTap {
public:
    explicit CMediaTap(int targetPort);
    ~CMediaTap();

    int Port() const;
    QList<QByteArray> Seen() const;
    void Inject(const QByteArray& datagram);

private:
    void Run();

    std::unique_ptr<KivUdpSocket> m_socket;
    const int m_target;
    mutable std::mutex m_lock;
    QList<QByteArray> m_seen;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
