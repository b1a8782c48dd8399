#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "CKivRecordCutter.h"
#include "CKivSocks5Proxy.h"
#include "CKivTlsSettings.h"
#include "KivSocketEvents.h"

class KivSocket;
class KivTlsSession;

// Blocking TCP client socket with a receive loop that cuts the byte stream into
// records and reports them, and connection events, through a callback that runs
// inside the object's lock. With TLS the records travel inside a TLS session
// that the connecting thread sets up before anything of the protocol is sent;
// the records, their cutting and the events stay the same.
// A link that carries nothing back is dropped within about a minute: probes
// after 10 s of quiet, every 5 s, and 25 s without an answer to them or to
// sent bytes. The heartbeat sends every 30 s, so either rule ends it in time.
struct CKivDeadLinkLimits {
    int idleSeconds = 10;
    int intervalSeconds = 5;
    int unansweredMs = 25000;
};

class CKivFriendTcpSelect {
public:
    // A connection attempt gives up after this long instead of the system's minutes.
    static constexpr int kConnectTimeoutMs = 10000;
    // Room for every record a user could send while a dead link goes unnoticed,
    // so that a send never waits on a full buffer; one that still cannot hand
    // its bytes over in time fails instead of freezing its caller.
    static constexpr int kSendBufferBytes = 256 * 1024;
    static constexpr int kSendTimeoutMs = 5000;

    CKivFriendTcpSelect();
    virtual ~CKivFriendTcpSelect();
    CKivFriendTcpSelect(const CKivFriendTcpSelect&) = delete;
    CKivFriendTcpSelect& operator=(const CKivFriendTcpSelect&) = delete;

    // Chooses the callback form; non-null arguments replace the stored pair of that form.
    void set_proc_func(KivSocketCallback callback, void* user, bool alternative);
    // Also report EVENT_DATA_END once the records of each burst are delivered:
    // a read, and the reads after it while more bytes were already waiting
    // (a bounded number), so that the receiver can treat them as one batch.
    void report_read_end(bool report) { m_reportReadEnd = report; }
    // Replaces any socket by a new one bound to every local address on `port`.
    bool bind_port(int port);
    // Connects the bound socket; 0 or the error number.
    unsigned long connect_svr(const char* address, int port);
    // Later connections go through this proxy (none when it is not enabled).
    void set_proxy(const CKivSocks5Proxy& proxy);
    // Later connections run inside TLS when it is enabled: connect_svr then
    // returns KivSocketErrTlsRefused, with the reason in tls_refusal(), for
    // a server that does not pass the checks.
    void set_tls(const CKivTlsSettings& tls);
    // Later connections count as dead within these limits.
    void set_dead_link_limits(const CKivDeadLinkLimits& limits);
    std::string tls_refusal() const;
    // "TLSv1.3 TLS_AES_256_GCM_SHA384" on a TLS connection, else empty.
    std::string tls_description() const;
    // One send of the whole record; the bytes sent, 0 or less on failure.
    // endOffset, when given, receives where the record ends in the stream of
    // this connection, so that records can be ordered against each other: in
    // bytes written to the socket, so with TLS in bytes of its records.
    int send_data(const char* data, int length, std::uint64_t* endOffset = nullptr);
    // Receives and delivers records until the connection ends.
    void recv_data();
    // Closes the socket; a blocked receive returns. `requested` silences the close event.
    void close_socket(bool requested);
    unsigned return_sock_hander() const;
    void Lock() { m_lock.lock(); }
    void UnLock() { m_lock.unlock(); }

protected:
    void proc_func(int event, char* data, int length);
    // Delivers at most one record; true while pending bytes remain after a delivery.
    bool PostSocketData();
    void CacheRecvData(const char* data, int length);
    // Sets the exit flag under the callback lock: once it returns, no event is reported.
    void set_exit(bool exit);
    bool is_exiting() const { return m_exit; }
    std::shared_ptr<KivSocket> current_socket() const;
    std::shared_ptr<KivTlsSession> current_session() const;
    // The connection as one snapshot: its socket, its TLS session, and
    // whether it asked for TLS.
    struct Link {
        std::shared_ptr<KivSocket> socket;
        std::shared_ptr<KivTlsSession> session;
        bool tls = false;
    };
    Link current_link() const;

private:
    void drop_socket();
    void report_unusable_stream();
    // Reads and delivers one burst; false when the connection ended.
    bool receive_burst(KivSocket& socket, KivTlsSession* session, char* chunk);
    // A connection without TLS whose server answered in TLS.
    bool looks_like_tls(const char* chunk, int length) const;

    std::atomic<bool> m_exit{false};
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_reportReadEnd{false};
    int m_deliveries = 0;  // records delivered so far; receive thread only
    int m_reads = 0;       // reads on the current connection; receive thread only
    bool m_alternative = false;
    KivSocketCallback m_callback = nullptr;
    void* m_user = nullptr;
    KivSocketCallback m_altCallback = nullptr;
    void* m_altUser = nullptr;
    std::recursive_mutex m_lock;
    mutable std::mutex m_socketLock;
    std::shared_ptr<KivSocket> m_socket;
    // Orders the records of all senders in the stream.
    mutable std::mutex m_sendLock;
    std::atomic<std::uint64_t> m_bytesSent{0};
    CKivSocks5Proxy m_proxy;
    CKivTlsSettings m_tls;                     // under m_socketLock
    CKivDeadLinkLimits m_deadLink;             // under m_socketLock
    std::shared_ptr<KivTlsSession> m_session;  // under m_socketLock, with m_socket
    std::string m_tlsRefusal;                  // under m_socketLock
    CKivRecordCutter m_cutter;
};
