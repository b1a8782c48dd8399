#include "CKivFriendSocketCommon.h"

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "KivSocket.h"

namespace {

constexpr int kHighestPort = 65534;

void copyBounded(const std::string& text, char* out, int capacity) {
    if (out == nullptr || capacity <= 0) {
        return;
    }
    const size_t size = std::min(text.size(), static_cast<size_t>(capacity - 1));
    std::memcpy(out, text.data(), size);
    out[size] = '\0';
}

}  // namespace

CKivFriendSocketCommon::CKivFriendSocketCommon() = default;

CKivFriendSocketCommon::~CKivFriendSocketCommon() {
    set_exit(true);
    close_socket(true);
    End_Thread();
}

void CKivFriendSocketCommon::set_rand_range(int low, int high) {
    if (low >= 1 && low <= high && high <= kHighestPort) {
        m_randLow = low;
        m_randHigh = high;
    }
}

int CKivFriendSocketCommon::pick_port(int port) {
    if (port == -1) {
        thread_local std::mt19937 generator{std::random_device{}()};
        port = std::uniform_int_distribution<int>(m_randLow, m_randHigh)(generator);
    }
    for (int candidate = std::max(port, 1); candidate <= kHighestPort; ++candidate) {
        if (KivSocket::portIsFree(candidate)) {
            return candidate;
        }
    }
    return 0;
}

void CKivFriendSocketCommon::connect_remote(int port, const char* address, int serverPort,
                                            bool keepTarget) {
    set_exit(false);
    int bound = 0;
    for (int attempt = 0; attempt < kBindAttempts && bound == 0; ++attempt) {
        // A fixed start port that yields nothing is tried again from a random one.
        const int candidate = pick_port(attempt == 0 ? port : -1);
        if (candidate != 0 && bind_port(candidate)) {
            bound = candidate;
        }
    }
    if (bound == 0) {
        return_state(EVENT_CONNECT_FAILED, nullptr, 0);
        return;
    }
    m_bindPort = bound;
    if (!keepTarget) {
        std::lock_guard<std::mutex> guard(m_targetLock);
        if (address != nullptr && address[0] != '\0') {
            m_serverAddress = std::string(address, strnlen(address, 259));
        }
        if (serverPort > 0) {
            m_serverPort = serverPort;
        }
    }
    Thread_Start();
}

void CKivFriendSocketCommon::stop() {
    set_exit(true);
    close_socket(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Thread_Exit();
}

void CKivFriendSocketCommon::get_server_ip(char* out, int capacity) const {
    std::lock_guard<std::mutex> guard(m_targetLock);
    copyBounded(m_serverAddress, out, capacity);
}

void CKivFriendSocketCommon::get_local_ip(char* out, int capacity) {
    copyBounded(KivSocket::localIPv4(), out, capacity);
}

unsigned int CKivFriendSocketCommon::Virtual_Thread_Proc() {
    std::string address;
    int port = 0;
    {
        std::lock_guard<std::mutex> guard(m_targetLock);
        address = m_serverAddress;
        port = m_serverPort;
    }
    const unsigned long result = connect_svr(address.c_str(), port);
    m_connectResult = static_cast<int>(result);
    const bool retry =
        result == KivSocketErrAddrInUse && !is_exiting() && ++m_inUseRetries <= kBindAttempts;
    if (!retry) {
        // The next connection the caller asks for gets its own retries.
        m_inUseRetries = 0;
    }
    if (is_exiting()) {
        return 0;
    }
    if (retry) {
        m_connectResult = -1;
        close_socket(false);
        connect_remote(m_bindPort + 1, address.c_str(), port, true);
    } else if (result == KivSocketOk) {
        return_state(EVENT_CONNECTED, nullptr, m_bindPort);
        recv_data();
    } else if (result == KivSocketErrTlsRefused) {
        std::string reason = tls_refusal();
        // The socket goes at once: the server gets nothing more from us.
        close_socket(true);
        return_state(EVENT_TLS_REFUSED, reason.data(), static_cast<int>(reason.size()));
    } else {
        return_state(EVENT_CONNECT_FAILED, nullptr,
                     result == KivSocketErrNetDown ? static_cast<int>(m_bindPort) : 0);
    }
    return 0;
}
