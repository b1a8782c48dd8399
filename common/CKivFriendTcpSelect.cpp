#include "CKivFriendTcpSelect.h"

#include "KivSocket.h"
#include "KivTls.h"

#include <algorithm>
#include <chrono>

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
    socket->setSendLimits(kSendBufferBytes, kSendTimeoutMs);
    std::lock_guard<std::mutex> sendGuard(m_sendLock);
    std::lock_guard<std::mutex> guard(m_socketLock);
    m_socket = std::move(socket);
    m_session.reset();
    m_tlsRefusal.clear();
    m_bytesSent = 0;
    return true;
}

unsigned long CKivFriendTcpSelect::connect_svr(const char* address, int port) {
    std::shared_ptr<KivSocket> socket = current_socket();
    if (!socket) {
        return KivSocketErrInvalid;
    }
    CKivSocks5Proxy proxy;
    CKivTlsSettings tls;
    CKivDeadLinkLimits deadLink;
    {
        std::lock_guard<std::mutex> guard(m_socketLock);
        proxy = m_proxy;
        tls = m_tls;
        deadLink = m_deadLink;
    }
    socket->setDeadLinkLimits(deadLink.idleSeconds, deadLink.intervalSeconds,
                              deadLink.unansweredMs);
    int result = KivSocketOk;
    if (!proxy.enabled()) {
        result = socket->connectTo(address, port, kConnectTimeoutMs);
    } else {
        // The proxy's answers count against the same limit as its connect.
        const auto start = std::chrono::steady_clock::now();
        result = socket->connectTo(proxy.host.c_str(), proxy.port, kConnectTimeoutMs);
        if (result == KivSocketOk) {
            const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - start)
                                   .count();
            result = proxy.handshake(*socket, address ? address : "", port,
                                     kConnectTimeoutMs - static_cast<int>(spent));
        }
    }
    if (result != KivSocketOk || !tls.enabled) {
        return static_cast<unsigned long>(result);
    }
    // The server proves who it is before the first record goes out; through
    // a proxy the session runs end to end, the proxy only relays it.
    const KivTlsPolicy policy{tls.caFile, tls.pin, tls.hostName};
    std::string reason;
    std::shared_ptr<KivTlsSession> session =
        KivTlsSession::connect(socket, policy, kConnectTimeoutMs, reason);
    std::lock_guard<std::mutex> sendGuard(m_sendLock);
    std::lock_guard<std::mutex> guard(m_socketLock);
    if (!session) {
        m_tlsRefusal = reason;
        return KivSocketErrTlsRefused;
    }
    if (m_socket == socket) {
        m_session = session;
        m_bytesSent = session->bytesWritten();
    }
    return KivSocketOk;
}

void CKivFriendTcpSelect::set_tls(const CKivTlsSettings& tls) {
    std::lock_guard<std::mutex> guard(m_socketLock);
    m_tls = tls;
}

void CKivFriendTcpSelect::set_dead_link_limits(const CKivDeadLinkLimits& limits) {
    std::lock_guard<std::mutex> guard(m_socketLock);
    m_deadLink = limits;
}

std::string CKivFriendTcpSelect::tls_refusal() const {
    std::lock_guard<std::mutex> guard(m_socketLock);
    return m_tlsRefusal;
}

std::string CKivFriendTcpSelect::tls_description() const {
    std::shared_ptr<KivTlsSession> session = current_session();
    return session ? session->protocol() + " " + session->cipher() : std::string();
}

void CKivFriendTcpSelect::set_proxy(const CKivSocks5Proxy& proxy) {
    std::lock_guard<std::mutex> guard(m_socketLock);
    m_proxy = proxy;
}

int CKivFriendTcpSelect::send_data(const char* data, int length, std::uint64_t* endOffset) {
    const auto [socket, session, tls] = current_link();
    // Nothing goes out in the clear on a connection that asked for TLS.
    if (!socket || (tls && !session)) {
        return -1;
    }
    int sent = 0;
    {
        std::lock_guard<std::mutex> guard(m_sendLock);
        if (session) {
            sent = session->send(data, length, kSendTimeoutMs);
            // The records' bytes on the wire, handshake and all: they grow
            // with every record as the plain count does.
            m_bytesSent = session->bytesWritten();
        } else {
            sent = socket->send(data, length);
            if (sent > 0) {
                m_bytesSent += static_cast<std::uint64_t>(sent);
            }
        }
        if (endOffset != nullptr) {
            *endOffset = m_bytesSent;
        }
    }
    // A failed or cut send leaves the stream unusable (a record in part is no
    // record): the connection ends, and the receive loop reports it closed.
    if (length > 0 && sent != length) {
        close_socket(false);
        return sent > 0 ? -1 : sent;
    }
    return sent;
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

std::shared_ptr<KivTlsSession> CKivFriendTcpSelect::current_session() const {
    std::lock_guard<std::mutex> guard(m_socketLock);
    return m_session;
}

CKivFriendTcpSelect::Link CKivFriendTcpSelect::current_link() const {
    std::lock_guard<std::mutex> guard(m_socketLock);
    return {m_socket, m_session, m_tls.enabled};
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

// A TLS alert or handshake record (content type 21 or 22, version 3.x) where
// the first record of the protocol should be.
bool CKivFriendTcpSelect::looks_like_tls(const char* chunk, int length) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(chunk);
    return m_reads == 1 && length >= 3 && (bytes[0] == 21 || bytes[0] == 22) && bytes[1] == 3 &&
           bytes[2] <= 4;
}

bool CKivFriendTcpSelect::receive_burst(KivSocket& socket, KivTlsSession* session, char* chunk) {
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
        const int got =
            session ? session->receive(chunk, kReadChunk) : socket.receive(chunk, kReadChunk);
        if (m_exit) {
            return false;
        }
        // Part of a TLS record: the rest comes with a later wake-up.
        if (got == KivSocket::kWouldBlock) {
            break;
        }
        if (got <= 0) {
            endBurst();
            if (!m_closing) {
                proc_func(EVENT_CLOSED, nullptr, 0);
            }
            return false;
        }
        ++m_reads;
        CacheRecvData(chunk, got);
        // A record that can never be valid, or more pending bytes than the
        // stream may hold, ends the connection instead of stalling it.
        if (m_cutter.broken()) {
            endBurst();
            if (!session && looks_like_tls(chunk, got)) {
                close_socket(false);
                char reason[] = "the server speaks TLS only, and tls is off";
                proc_func(EVENT_TLS_REQUIRED, reason, int(sizeof(reason) - 1));
                return false;
            }
            report_unusable_stream();
            return false;
        }
        const bool more = session ? session->hasBuffered() || socket.bytesWaiting() > 0
                                  : socket.bytesWaiting() > 0;
        if (m_exit || reads == kBurstReads || !more) {
            break;
        }
    }
    endBurst();
    return true;
}

void CKivFriendTcpSelect::recv_data() {
    const auto [socket, session, tls] = current_link();
    if (!socket) {
        return;
    }
    // Nothing read in the clear on a connection that asked for TLS is taken
    // for records (a socket replaced after its handshake has no session).
    if (tls && !session) {
        close_socket(false);
        char reason[] = "no TLS session on a connection that asked for TLS";
        proc_func(EVENT_TLS_REFUSED, reason, int(sizeof(reason) - 1));
        return;
    }
    m_cutter.clear();
    m_reads = 0;
    std::unique_ptr<char[]> chunk(new char[kReadChunk]);
    while (!m_exit) {
        // Bytes the session holds already are not seen by a wait on the socket.
        if ((!session || !session->hasBuffered()) &&
            socket->waitReadable() == KivSocket::Wait::Failed) {
            proc_func(EVENT_CONNECT_FAILED, nullptr, 0);
            break;
        }
        if (!receive_burst(*socket, session.get(), chunk.get())) {
            break;
        }
    }
}
