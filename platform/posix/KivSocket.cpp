#include "KivSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

int mapError(int error) {
    switch (error) {
        case 0:
            return KivSocketOk;
        case EINTR:
            return KivSocketErrInterrupted;
        case EACCES:
        case EPERM:
            return KivSocketErrAccess;
        case EINVAL:
            return KivSocketErrInvalid;
        case EADDRINUSE:
            return KivSocketErrAddrInUse;
        case EADDRNOTAVAIL:
            return KivSocketErrAddrNotAvail;
        case ENETDOWN:
            return KivSocketErrNetDown;
        case ENETUNREACH:
            return KivSocketErrNetUnreach;
        case ECONNABORTED:
            return KivSocketErrConnAborted;
        case ECONNRESET:
            return KivSocketErrConnReset;
        case ETIMEDOUT:
            return KivSocketErrTimedOut;
        case ECONNREFUSED:
            return KivSocketErrConnRefused;
        case EHOSTUNREACH:
            return KivSocketErrHostUnreach;
        default:
            return KivSocketErrOther;
    }
}

bool resolveIPv4(const char* address, int port, sockaddr_in* out) {
    std::memset(out, 0, sizeof(*out));
    out->sin_family = AF_INET;
    out->sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address, &out->sin_addr) == 1) {
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(address, nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    out->sin_addr = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

std::shared_ptr<KivSocket> KivSocket::createTcp() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    return std::shared_ptr<KivSocket>(new KivSocket(fd));
}

KivSocket::~KivSocket() {
    ::close(m_fd);
}

int KivSocket::bindAny(int port) {
    if (port < 0 || port > 65535) {
        return KivSocketErrInvalid;
    }
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
        return mapError(errno);
    }
    return KivSocketOk;
}

void KivSocket::setReceiveBufferSize(int bytes) {
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes));
}

int KivSocket::connectTo(const char* address, int port, int timeoutMs) {
    sockaddr_in remote{};
    if (address == nullptr || port <= 0 || port > 65535 || !resolveIPv4(address, port, &remote)) {
        return KivSocketErrAddrNotAvail;
    }
    // Connected without blocking, then waited for with the caller's limit; the
    // socket is blocking again afterwards, as its users expect.
    const int flags = ::fcntl(m_fd, F_GETFL, 0);
    const bool limited = timeoutMs >= 0 && flags >= 0;
    if (limited) {
        ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK);
    }
    int error = 0;
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&remote), sizeof(remote)) != 0) {
        error = errno;
    }
    if (limited && error == EINPROGRESS) {
        pollfd entry{};
        entry.fd = m_fd;
        entry.events = POLLOUT;
        int ready;
        do {
            ready = ::poll(&entry, 1, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        if (ready == 0) {
            error = ETIMEDOUT;
        } else if (ready < 0) {
            error = errno;
        } else {
            socklen_t size = sizeof(error);
            if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
                error = errno;
            }
        }
    }
    if (limited) {
        ::fcntl(m_fd, F_SETFL, flags);
    }
    if (error == 0) {
        return KivSocketOk;
    }
    // A bound local port whose connection to this server is still remembered by
    // the system: the caller moves on to the next local port.
    if (error == EADDRNOTAVAIL) {
        return KivSocketErrAddrInUse;
    }
    return mapError(error);
}

void KivSocket::setDeadLinkLimits(int idleSeconds, int intervalSeconds, int userTimeoutMs) {
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on));
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof(idleSeconds));
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof(intervalSeconds));
    const unsigned int timeout = static_cast<unsigned int>(userTimeoutMs);
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &timeout, sizeof(timeout));
}

void KivSocket::setSendLimits(int bytes, int timeoutMs) {
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof(bytes));
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
}

int KivSocket::send(const char* data, int length) {
    if (data == nullptr || length <= 0) {
        return 0;
    }
    ssize_t sent;
    do {
        sent = ::send(m_fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return static_cast<int>(sent);
}

int KivSocket::receive(char* buffer, int capacity) {
    ssize_t got;
    do {
        got = ::recv(m_fd, buffer, static_cast<size_t>(capacity), 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
}

int KivSocket::sendNow(const char* data, int length) {
    if (data == nullptr || length <= 0) {
        return 0;
    }
    ssize_t sent;
    do {
        sent = ::send(m_fd, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return kWouldBlock;
    }
    return static_cast<int>(sent);
}

int KivSocket::receiveNow(char* buffer, int capacity) {
    ssize_t got;
    do {
        got = ::recv(m_fd, buffer, static_cast<size_t>(capacity), MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return kWouldBlock;
    }
    return static_cast<int>(got);
}

bool KivSocket::waitFor(bool writable, int timeoutMs) {
    pollfd entry{};
    entry.fd = m_fd;
    entry.events = writable ? POLLOUT : POLLIN;
    for (;;) {
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready >= 0 || errno != EINTR) {
            // An error of poll itself counts as ready: the next call reports it.
            return ready != 0;
        }
    }
}

int KivSocket::bytesWaiting() const {
    int waiting = 0;
    return ::ioctl(m_fd, FIONREAD, &waiting) == 0 ? waiting : 0;
}

KivSocket::Wait KivSocket::waitReadable() {
    pollfd entry{};
    entry.fd = m_fd;
    entry.events = POLLIN;
    for (;;) {
        const int ready = ::poll(&entry, 1, -1);
        if (ready > 0) {
            return (entry.revents & POLLNVAL) ? Wait::Failed : Wait::Ready;
        }
        if (ready < 0 && errno != EINTR) {
            return Wait::Failed;
        }
    }
}

void KivSocket::shutdownBoth() {
    ::shutdown(m_fd, SHUT_RDWR);
}

int KivSocket::localPort() const {
    sockaddr_in local{};
    socklen_t size = sizeof(local);
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

bool KivSocket::portIsFree(int port) {
    std::shared_ptr<KivSocket> probe = createTcp();
    if (!probe || port <= 0 || port > 65535) {
        return false;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<uint16_t>(port));
    return ::bind(probe->m_fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) == 0;
}

std::string KivSocket::localIPv4() {
    char host[256] = {};
    if (::gethostname(host, sizeof(host) - 1) == 0) {
        sockaddr_in address{};
        if (resolveIPv4(host, 1, &address)) {
            char text[INET_ADDRSTRLEN] = {};
            if (inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text)) != nullptr) {
                return text;
            }
        }
    }
    // No resolvable host name: take the first configured interface address.
    ifaddrs* list = nullptr;
    std::string result = "127.0.0.1";
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* it = list; it != nullptr; it = it->ifa_next) {
            if (it->ifa_addr != nullptr && it->ifa_addr->sa_family == AF_INET) {
                char text[INET_ADDRSTRLEN] = {};
                const auto* in = reinterpret_cast<sockaddr_in*>(it->ifa_addr);
                if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)) != nullptr &&
                    std::strcmp(text, "127.0.0.1") != 0) {
                    result = text;
                    break;
                }
            }
        }
        freeifaddrs(list);
    }
    return result;
}
