#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// A bad network between two call sides on loopback: each side sends to its
// own port of the relay, which forwards to the other side after a random
// delay (so datagrams also overtake each other) and drops some at random.
class CLossyRelay {
public:
    CLossyRelay(double dropShare, int maxDelayMs);
    ~CLossyRelay();
    CLossyRelay(const CLossyRelay&) = delete;
    CLossyRelay& operator=(const CLossyRelay&) = delete;

    // Forwards what reaches PortForA() to portB and what reaches PortForB()
    // to portA; false when its sockets cannot be bound.
    bool Start(int portA, int portB);
    int PortForA() const { return m_ports[0]; }
    int PortForB() const { return m_ports[1]; }

private:
    void Run();

    double m_dropShare;
    int m_maxDelayMs;
    int m_sockets[2] = {-1, -1};
    int m_ports[2] = {0, 0};
    int m_targets[2] = {0, 0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
