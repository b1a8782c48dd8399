#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <QDir>

// Breaks the UDP socket of this process that is bound to `port` for good:
// its descriptor then names /dev/null, no socket, as after a descriptor mix-up
// elsewhere in the program. A thread already waiting on the socket is woken
// by the next datagram to the port. False when no such socket was found.
inline bool BreakUdpSocket(int port) {
    for (const QString& entry : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files)) {
        const int fd = entry.toInt();
        int type = 0;
        socklen_t typeSize = sizeof(type);
        sockaddr_in local{};
        socklen_t size = sizeof(local);
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeSize) != 0 || type != SOCK_DGRAM ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0 ||
            local.sin_family != AF_INET || ntohs(local.sin_port) != port) {
            continue;
        }
        const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const bool replaced = null >= 0 && dup2(null, fd) == fd;
        if (null >= 0)
            close(null);
        return replaced;
    }
    return false;
}

// CPU time of the whole process, in milliseconds.
inline double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}
