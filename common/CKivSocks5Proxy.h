#pragma once

#include <string>

class KivSocket;

// A SOCKS5 proxy (RFC 1928, with the user name and password method of RFC
// 1929) that carries the messaging connection.
struct CKivSocks5Proxy {
    std::string host;
    int port = 0;
    std::string userName;
    std::string password;

    bool enabled() const { return !host.empty() && port > 0 && port < 65536; }

    // On a socket connected to the proxy, asks it to connect to address:port;
    // 0 once the proxy relays, else a socket error number (KivSocketErrTimedOut
    // when the proxy has not answered everything within timeoutMs).
    int handshake(KivSocket& socket, const std::string& address, int port, int timeoutMs) const;
};
