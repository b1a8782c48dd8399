#include "CKivFriendTcpSelect.h"

#include "KivSocket.h"

namespace {
constexpr int kReadChunk = 16384;
// Reads taken in one burst while more bytes are already waiting; bounds how
// long a stop() may wait for the callback lock.
constexpr int kBurstReads = 16;
constexpr int kReceiveBufferSize = 8192;
}  // namespace

CKivFriendTcpSelect::CKivFriendTcpSelect() = default;

CKivFriendTcpSelect::~CKivFriendTcpSelect() {
    set_exit(true);
    close_socket(true);
}

void CKivFriendTcpSelect::set_proc_func(KivSocketCallback callback, void* user, bool alternative) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_alternative = alternative;
    KivSocketCallback& slot = alternative ? m_altCallback : m_callback;
    void*& data = alternative ? m_altUser : m_user;
    if (callback != nullptr) {
        slot = callback;
    }
    if (user != nullptr) {
        data = user;
    }
}

bool CKivFriendTcpSelect::bind_port(int port) {
    drop_socket();
    std::shared_ptr<KivSocket> socket = KivSocket::createTcp();
    if (!socket || socket->bindAny(port) != KivSocketOk) {
        return false;
    }
    socket->setReceiveBufferSize(kReceiveBufferSize);
    std::lock_guard<std::mutex> guard(m_socketLock);
    m_socket = std::move(socket);
    return true;
}

unsigned long CKivFriendTcpSelect::connect_svr(const char* address, int port) {
    std::shared_ptr<KivSocket> socket = current_socket();
    if (!socket) {
        return KivSocketErrInvalid;
    }
    CKivSocks5Proxy proxy;
    {
        std::lock_guard<std::mutex> guard(m_socketLock);
        proxy = m_proxy;
    }
    if (!proxy.enabled()) {
        return static_cast<unsigned long>(socket->connectTo(address, port));
    }
    const int result = socket->connectTo(proxy.host.c_str(), proxy.port);
    return static_cast<unsigned long>(
        result != KivSocketOk ? result : proxy.handshake(*socket, address ? address : "", port));
}

void CKivFriendTcpSelect::set_proxy(const CKivSocks5Proxy& proxy) {
    std::lock_guard<std::mutex> guard(m_socketLock);
    m_proxy = proxy;
}

int CKivFriendTcpSelect::send_data(const char* data, int length) {
    std::shared_ptr<KivSocket> socket = current_socket();
    return socket ? socket->send(data, length) : -1;
}

void CKivFriendTcpSelect::close_socket(bool requested) {
    m_closing = requested;
    drop_socket();
}

void CKivFriendTcpSelect::drop_socket() {
    std::shared_ptr<KivSocket> socket;
    {
        std::lock_guard<std::mutex> guard(m_socketLock);
        socket.swap(m_socket);
    }
    // Threads still holding the socket wake up now; the handle itself closes
    // when the last of them lets go of it.
    if (socket) {
        socket->shutdownBoth();
    }
}

unsigned CKivFriendTcpSelect::return_sock_hander() const {
    std::shared_ptr<KivSocket> socket = current_socket();
    return socket ? static_cast<unsigned>(socket->handle()) : 0U;
}

std::shared_ptr<KivSocket> CKivFriendTcpSelect::current_socket() const {
    std::lock_guard<std::mutex> guard(m_socketLock);
    return m_socket;
}

void CKivFriendTcpSelect::set_exit(bool exit) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_exit = exit;
}

void CKivFriendTcpSelect::proc_func(int event, char* data, int length) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_exit) {
        return;
    }
    KivSocketCallback callback = m_alternative ? m_altCallback : m_callback;
    void* user = m_alternative ? m_altUser : m_user;
    if (callback != nullptr) {
        callback(event, data, length, user);
    }
}

bool CKivFriendTcpSelect::PostSocketData() {
    if (m_exit) {
        return false;
    }
    if (m_cutter.next() != CKivRecordCutter::Status::Delivered) {
        return false;
    }
    ++m_deliveries;
    proc_func(EVENT_DATA, m_cutter.record(), m_cutter.recordLength());
    return m_cutter.pending() > 0;
}

void CKivFriendTcpSelect::CacheRecvData(const char* data, int length) {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (!m_cutter.append(data, length)) {
        return;
    }
    while (!m_exit && PostSocketData()) {
    }
}

void CKivFriendTcpSelect::report_unusable_stream() {
    close_socket(false);
    proc_func(EVENT_CLOSED, nullptr, 0);
}

bool CKivFriendTcpSelect::receive_burst(KivSocket& socket, char* chunk) {
    // The records of the whole burst go out in one hold of the callback lock,
    // so a stop() never falls between them and the end of their burst.
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const int before = m_deliveries;
    const auto endBurst = [&] {
        if (m_reportReadEnd && m_deliveries != before) {
            proc_func(EVENT_DATA_END, nullptr, 0);
        }
    };
    for (int reads = 1;; ++reads) {
        const int got = socket.receive(chunk, kReadChunk);
        if (m_exit) {
            return false;
        }
        if (got <= 0) {
            endBurst();
            if (!m_closing) {
                proc_func(EVENT_CLOSED, nullptr, 0);
            }
            return false;
        }
        CacheRecvData(chunk, got);
        // A record that can never be valid, or more pending bytes than the
        // stream may hold, ends the connection instead of stalling it.
        if (m_cutter.broken()) {
            endBurst();
            report_unusable_stream();
            return false;
        }
        if (m_exit || reads == kBurstReads || socket.bytesWaiting() <= 0) {
            break;
        }
    }
    endBurst();
    return true;
}

void CKivFriendTcpSelect::recv_data() {
    std::shared_ptr<KivSocket> socket = current_socket();
    if (!socket) {
        return;
    }
    m_cutter.clear();
    std::unique_ptr<char[]> chunk(new char[kReadChunk]);
    while (!m_exit) {
        if (socket->waitReadable() == KivSocket::Wait::Failed) {
            proc_func(EVENT_CONNECT_FAILED, nullptr, 0);
            break;
        }
        if (!receive_burst(*socket, chunk.get())) {
            break;
        }
    }
}
