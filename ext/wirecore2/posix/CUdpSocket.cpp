#include "CUdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Room for bursts of media while the receive thread is busy decoding.
constexpr int kReceiveBufferBytes = 512 * 1024;
// Errors that are over once reported: interrupted waits, nothing there, and
// what the network says about one datagram (an unreachable or refusing peer,
// a full queue).
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
// Passing errors in a row beyond this are waited out, not retried at once.
constexpr int kErrorsBeforePause = 8;
constexpr int kErrorPauseMs = 50;

}  // namespace

std::unique_ptr<CUdpSocket> CUdpSocket::Bind(std::uint16_t port) {
    const int handle = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        return nullptr;
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        ::close(handle);
        return nullptr;
    }
    std::unique_ptr<CUdpSocket> socket(new CUdpSocket(handle, wake));
    const int bytes = kReceiveBufferBytes;
    ::setsockopt(handle, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof(bytes));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (::bind(handle, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        return nullptr;
    }
    return socket;
}

CUdpSocket::~CUdpSocket() {
    ::close(m_socket);
    ::close(m_wake);
}

std::uint16_t CUdpSocket::LocalPort() const {
    sockaddr_in local{};
    socklen_t size = sizeof(local);
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

int CUdpSocket::SendTo(std::uint32_t ipv4, std::uint16_t port, const void* data, int length) {
    if (data == nullptr || length < 0) {
        return -1;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ipv4);
    to.sin_port = htons(port);
    ssize_t sent;
    do {
        sent = ::sendto(m_socket, data, static_cast<size_t>(length), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? -1 : static_cast<int>(sent);
}

CUdpSocket::Receive CUdpSocket::ReceiveFrom(std::uint8_t* buffer, int capacity, int* length,
                                            std::uint32_t* ipv4, std::uint16_t* port) {
    pollfd waits[2] = {{m_socket, POLLIN, 0}, {m_wake, POLLIN, 0}};
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
            return Receive::Failed;
        }
        if (waits[1].revents != 0) {
            return Receive::Woken;
        }
        if (pause) {
            errorsInRow = 0;
            continue;
        }
        if ((waits[0].revents & POLLNVAL) != 0) {
            m_error = EBADF;
            return Receive::Failed;
        }
        sockaddr_in from{};
        socklen_t size = sizeof(from);
        // MSG_TRUNC reports the datagram's real size even when it was cut.
        const ssize_t got = ::recvfrom(m_socket, buffer, static_cast<size_t>(capacity), MSG_TRUNC,
                                       reinterpret_cast<sockaddr*>(&from), &size);
        if (got < 0) {
            if (Passing(errno)) {
                ++errorsInRow;
                continue;
            }
            m_error = errno;
            return Receive::Failed;
        }
        *length = static_cast<int>(got);
        *ipv4 = ntohl(from.sin_addr.s_addr);
        *port = ntohs(from.sin_port);
        return Receive::Datagram;
    }
}

void CUdpSocket::Wake() {
    const std::uint64_t one = 1;
    // A full counter still wakes; nothing else can fail here.
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof(one));
}
