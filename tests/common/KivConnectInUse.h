#pragma once

// Makes the process's connects to one loopback server port fail as the
// system fails a connect whose address pair is still in use (EADDRNOTAVAIL),
// the given number of times, so the socket layer's retry can be driven.
// Every other connect goes to the system unchanged.
class KivConnectInUse {
public:
    KivConnectInUse(int serverPort, int refusals);
    ~KivConnectInUse();
    KivConnectInUse(const KivConnectInUse&) = delete;
    KivConnectInUse& operator=(const KivConnectInUse&) = delete;

    // Connects to the server port that were refused, and the local ports
    // they were made from, in order.
    static int refused();
    static int localPort(int index);
};
