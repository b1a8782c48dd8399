#include "CKivSocks5Proxy.h"

#include <chrono>
#include <cstdint>
#include <vector>

#include "KivSocket.h"

namespace {

constexpr std::uint8_t kVersion = 5;
constexpr std::uint8_t kNoAuthentication = 0;
constexpr std::uint8_t kUserPassword = 2;
constexpr std::uint8_t kNoAcceptableMethod = 0xFF;
constexpr std::uint8_t kConnect = 1;
constexpr std::uint8_t kIPv4 = 1;
constexpr std::uint8_t kDomain = 3;
constexpr std::uint8_t kIPv6 = 4;

bool SendAll(KivSocket& socket, const std::vector<std::uint8_t>& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = socket.send(reinterpret_cast<const char*>(bytes.data()) + sent,
                                  static_cast<int>(bytes.size() - sent));
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

using Clock = std::chrono::steady_clock;

// A proxy that takes the connection and then says nothing would hold a
// blocking receive for ever: every wait for its answer ends at the deadline.
int ReceiveAll(KivSocket& socket, std::uint8_t* out, int length, Clock::time_point deadline) {
    int got = 0;
    while (got < length) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !socket.waitFor(false, static_cast<int>(left))) {
            return KivSocketErrTimedOut;
        }
        const int n = socket.receive(reinterpret_cast<char*>(out) + got, length - got);
        if (n <= 0) {
            return KivSocketErrConnReset;
        }
        got += n;
    }
    return KivSocketOk;
}

// The four bytes of a dotted IPv4 address, or false for a host name.
bool ParseIPv4(const std::string& text, std::uint8_t out[4]) {
    int part = 0;
    int value = -1;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
            if (value > 255) {
                return false;
            }
        } else if (c == '.' && value >= 0 && part < 3) {
            out[part++] = static_cast<std::uint8_t>(value);
            value = -1;
        } else {
            return false;
        }
    }
    if (part != 3 || value < 0) {
        return false;
    }
    out[3] = static_cast<std::uint8_t>(value);
    return true;
}

void AppendText(std::vector<std::uint8_t>& bytes, const std::string& text) {
    bytes.push_back(static_cast<std::uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// The reply codes of a refused CONNECT, as the connection's callers know them.
int ErrorForReply(std::uint8_t reply) {
    switch (reply) {
        case 3:
            return KivSocketErrNetUnreach;
        case 4:
            return KivSocketErrHostUnreach;
        case 5:
            return KivSocketErrConnRefused;
        case 6:
            return KivSocketErrTimedOut;
        default:
            return KivSocketErrConnRefused;
    }
}

}  // namespace

int CKivSocks5Proxy::handshake(KivSocket& socket, const std::string& address, int port,
                               int timeoutMs) const {
    const bool withPassword = !userName.empty();
    if (userName.size() > 255 || password.size() > 255 || address.empty() || address.size() > 255 ||
        port <= 0 || port > 65535) {
        return KivSocketErrInvalid;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<std::uint8_t> greeting = {kVersion, 1, kNoAuthentication};
    if (withPassword) {
        greeting = {kVersion, 2, kNoAuthentication, kUserPassword};
    }
    std::uint8_t choice[2] = {};
    if (!SendAll(socket, greeting)) {
        return KivSocketErrConnReset;
    }
    if (const int result = ReceiveAll(socket, choice, 2, deadline); result != KivSocketOk) {
        return result;
    }
    if (choice[0] != kVersion || choice[1] == kNoAcceptableMethod ||
        (choice[1] != kNoAuthentication && !(withPassword && choice[1] == kUserPassword))) {
        return KivSocketErrAccess;
    }
    if (choice[1] == kUserPassword) {
        std::vector<std::uint8_t> login = {1};
        AppendText(login, userName);
        AppendText(login, password);
        std::uint8_t status[2] = {};
        if (!SendAll(socket, login)) {
            return KivSocketErrConnReset;
        }
        if (const int result = ReceiveAll(socket, status, 2, deadline); result != KivSocketOk) {
            return result;
        }
        if (status[1] != 0) {
            return KivSocketErrAccess;
        }
    }

    std::vector<std::uint8_t> request = {kVersion, kConnect, 0};
    std::uint8_t ipv4[4] = {};
    if (ParseIPv4(address, ipv4)) {
        request.push_back(kIPv4);
        request.insert(request.end(), ipv4, ipv4 + 4);
    } else {
        request.push_back(kDomain);
        AppendText(request, address);
    }
    request.push_back(static_cast<std::uint8_t>(port >> 8));
    request.push_back(static_cast<std::uint8_t>(port & 0xFF));
    std::uint8_t reply[4] = {};
    if (!SendAll(socket, request)) {
        return KivSocketErrConnReset;
    }
    if (const int result = ReceiveAll(socket, reply, 4, deadline); result != KivSocketOk) {
        return result;
    }
    if (reply[0] != kVersion) {
        return KivSocketErrConnReset;
    }
    if (reply[1] != 0) {
        return ErrorForReply(reply[1]);
    }
    // The bound address the proxy reports is read and dropped: what follows is ours.
    int rest = 0;
    if (reply[3] == kIPv4) {
        rest = 4 + 2;
    } else if (reply[3] == kIPv6) {
        rest = 16 + 2;
    } else if (reply[3] == kDomain) {
        std::uint8_t length = 0;
        if (const int result = ReceiveAll(socket, &length, 1, deadline); result != KivSocketOk) {
            return result;
        }
        rest = length + 2;
    } else {
        return KivSocketErrConnReset;
    }
    std::uint8_t bound[258] = {};
    return ReceiveAll(socket, bound, rest, deadline);
}
