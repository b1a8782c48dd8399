#include "KivUdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

std::unique_ptr<KivUdpSocket> KivUdpSocket::bindAny(int port) {
    if (port < 0 || port > 65535) {
        return nullptr;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return nullptr;
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<KivUdpSocket> socket(new KivUdpSocket(fd, wake));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
        return nullptr;
    }
    return socket;
}

KivUdpSocket::~KivUdpSocket() {
    ::close(m_fd);
    if (m_wake >= 0) {
        ::close(m_wake);
    }
}

int KivUdpSocket::localPort() const {
    sockaddr_in local{};
    socklen_t size = sizeof(local);
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

void KivUdpSocket::setBufferSizes(int bytes) {
    ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes));
    ::setsockopt(m_fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof(bytes));
}

int KivUdpSocket::sendTo(std::uint32_t address, int port, const void* data, int length) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(address);
    remote.sin_port = htons(static_cast<std::uint16_t>(port));
    ssize_t sent;
    do {
        sent = ::sendto(m_fd, data, static_cast<size_t>(length), MSG_NOSIGNAL,
                        reinterpret_cast<sockaddr*>(&remote), sizeof(remote));
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

namespace {

// Passing errors in a row beyond this are waited out, not retried at once.
constexpr int kErrorsBeforePause = 8;
constexpr int kErrorPauseMs = 50;

// Errors that are over once reported: nothing there, and what the network
// says about one datagram (an unreachable or refusing peer, a full queue).
bool Passing(int error) {
    switch (error) {
        case EINTR:
        case EAGAIN:
        case ECONNREFUSED:
        case EHOSTUNREACH:
        case ENETUNREACH:
        case EHOSTDOWN:
        case ENETDOWN:
        case ENOBUFS:
        case ENOMEM:
            return true;
        default:
            return false;
    }
}

// Without digit separators: the translation tools misread them.
constexpr std::int64_t kNsPerSecond = 1000 * 1000 * 1000;
// A stamp older than this is taken for a step of the wall clock, not for
// a datagram that waited.
constexpr std::int64_t kMaxStampAgeNs = 10 * kNsPerSecond;

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * kNsPerSecond + time.tv_nsec;
}

// The system stamps on the wall clock; the playout reckons on the steady
// one. The stamp's age, read on the wall clock at once with the steady
// clock, carries it over.
std::int64_t ArrivalUs(msghdr& message) {
    timespec wall{};
    ::clock_gettime(CLOCK_REALTIME, &wall);
    const std::int64_t readUs = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr;
         item = CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level != SOL_SOCKET || item->cmsg_type != SCM_TIMESTAMPNS) {
            continue;
        }
        timespec stamp{};
        std::memcpy(&stamp, CMSG_DATA(item), sizeof(stamp));
        const std::int64_t ageNs = Nanoseconds(wall) - Nanoseconds(stamp);
        if (ageNs >= 0 && ageNs <= kMaxStampAgeNs) {
            return readUs - ageNs / 1000;
        }
    }
    return readUs;
}

}  // namespace

int KivUdpSocket::receive(void* buffer, int capacity, int timeoutMs, std::uint32_t* from,
                          std::uint16_t* fromPort) {
    pollfd wait{m_fd, POLLIN, 0};
    const int ready = ::poll(&wait, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) {
        return 0;
    }
    if (ready < 0) {
        return -1;
    }
    if ((wait.revents & POLLNVAL) != 0) {
        errno = EBADF;
        return -1;
    }
    sockaddr_in remote{};
    socklen_t size = sizeof(remote);
    const ssize_t got = ::recvfrom(m_fd, buffer, static_cast<size_t>(capacity), MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&remote), &size);
    if (got < 0) {
        return Passing(errno) ? 0 : -1;
    }
    if (from != nullptr) {
        *from = ntohl(remote.sin_addr.s_addr);
    }
    if (fromPort != nullptr) {
        *fromPort = ntohs(remote.sin_port);
    }
    return static_cast<int>(got);
}

void KivUdpSocket::enableArrivalStamps() {
    const int on = 1;
    ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof(on));
}

KivUdpSocket::Wait KivUdpSocket::receiveUntilWoken(void* buffer, int capacity, int* length,
                                                   std::uint32_t* from, std::uint16_t* fromPort,
                                                   std::int64_t* arrivalUs) {
    pollfd waits[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
    int errorsInRow = 0;
    while (true) {
        // A pause after many errors in a row still ends at a wake-up.
        const bool pause = errorsInRow > kErrorsBeforePause;
        const int ready = pause ? ::poll(waits + 1, 1, kErrorPauseMs) : ::poll(waits, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_error = errno;
            return Wait::Failed;
        }
        if (waits[1].revents != 0) {
            return Wait::Woken;
        }
        if (pause) {
            errorsInRow = 0;
            continue;
        }
        if ((waits[0].revents & POLLNVAL) != 0) {
            m_error = EBADF;
            return Wait::Failed;
        }
        sockaddr_in remote{};
        iovec data{buffer, static_cast<size_t>(capacity)};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
        msghdr message{};
        message.msg_name = &remote;
        message.msg_namelen = sizeof(remote);
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        // MSG_TRUNC reports the datagram's real size even when it was cut.
        const ssize_t got = ::recvmsg(m_fd, &message, MSG_TRUNC | MSG_DONTWAIT);
        if (got < 0) {
            if (Passing(errno)) {
                ++errorsInRow;
                continue;
            }
            m_error = errno;
            return Wait::Failed;
        }
        *length = static_cast<int>(got);
        if (from != nullptr) {
            *from = ntohl(remote.sin_addr.s_addr);
        }
        if (fromPort != nullptr) {
            *fromPort = ntohs(remote.sin_port);
        }
        if (arrivalUs != nullptr) {
            *arrivalUs = ArrivalUs(message);
        }
        return Wait::Datagram;
    }
}

void KivUdpSocket::wake() {
    const std::uint64_t one = 1;
    // A full counter still wakes; nothing else can fail here.
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof(one));
}

bool KivUdpSocket::parseIPv4(const char* text, std::uint32_t* address) {
    in_addr parsed{};
    if (text == nullptr || ::inet_pton(AF_INET, text, &parsed) != 1) {
        return false;
    }
    *address = ntohl(parsed.s_addr);
    return true;
}

std::string KivUdpSocket::localAddressToward(const char* host) {
    std::uint32_t address = 0;
    if (!parseIPv4(host, &address)) {
        return {};
    }
    KivUdpSocket probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0), -1);
    if (probe.m_fd < 0) {
        return {};
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(address);
    remote.sin_port = htons(9);
    sockaddr_in local{};
    socklen_t size = sizeof(local);
    char text[INET_ADDRSTRLEN] = {};
    if (::connect(probe.m_fd, reinterpret_cast<sockaddr*>(&remote), sizeof(remote)) != 0 ||
        ::getsockname(probe.m_fd, reinterpret_cast<sockaddr*>(&local), &size) != 0 ||
        ::inet_ntop(AF_INET, &local.sin_addr, text, sizeof(text)) == nullptr) {
        return {};
    }
    return text;
}
