#pragma once

#include <map>
#include <memory>
#include <random>

class KivUdpSocket;

// Finds free UDP ports for the sessions. The search starts at a random port
// between 1100 and 65534 and walks upwards (wrapping round); the port found
// stays bound here until the session is about to bind it, so two call windows
// never pick the same one.
class CallViewFreePort {
public:
    // Seeded from the system's random source.
    CallViewFreePort();
    explicit CallViewFreePort(unsigned seed);
    ~CallViewFreePort();

    // A bound free port, or 0 when none is left.
    int Reserve();
    // A bound free port whose next port is free and bound too, or 0.
    int ReservePair();
    // Lets the port go, just before its session binds it.
    void Release(int port);

private:
    std::mt19937 m_random;
    std::map<int, std::unique_ptr<KivUdpSocket>> m_held;
};
