#include "KivConnectInUse.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <atomic>
#include <cerrno>

namespace {

constexpr int kMaxRecorded = 64;

std::atomic<int> g_serverPort{0};
std::atomic<int> g_left{0};
std::atomic<int> g_refused{0};
std::atomic<int> g_localPorts[kMaxRecorded];

int PortOf(const sockaddr* address, socklen_t length) {
    if (address == nullptr || length < static_cast<socklen_t>(sizeof(sockaddr_in)) ||
        address->sa_family != AF_INET) {
        return 0;
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(address)->sin_port);
}

}  // namespace

// Takes the place of the C library's connect for this test program (the
// socket layer's library resolves it here first).
extern "C" int connect(int fd, const sockaddr* address, socklen_t length) {
    using Connect = int (*)(int, const sockaddr*, socklen_t);
    static const auto system = reinterpret_cast<Connect>(dlsym(RTLD_NEXT, "connect"));
    const int target = g_serverPort.load();
    if (target != 0 && PortOf(address, length) == target) {
        int left = g_left.load();
        while (left > 0 && !g_left.compare_exchange_weak(left, left - 1)) {
        }
        if (left > 0) {
            sockaddr_in local{};
            socklen_t size = sizeof(local);
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size);
            const int index = g_refused.fetch_add(1);
            if (index < kMaxRecorded) {
                g_localPorts[index] = ntohs(local.sin_port);
            }
            errno = EADDRNOTAVAIL;
            return -1;
        }
    }
    return system(fd, address, length);
}

KivConnectInUse::KivConnectInUse(int serverPort, int refusals) {
    g_refused = 0;
    g_left = refusals;
    g_serverPort = serverPort;
}

KivConnectInUse::~KivConnectInUse() {
    g_serverPort = 0;
    g_left = 0;
}

int KivConnectInUse::refused() {
    return g_refused.load();
}

int KivConnectInUse::localPort(int index) {
    return index >= 0 && index < kMaxRecorded ? g_localPorts[index].load() : 0;
}
