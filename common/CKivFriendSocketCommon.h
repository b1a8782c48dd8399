#pragma once

#include <mutex>
#include <string>

#include "CKivFriendTcpSelect.h"
#include "CKivFriendThreadBaseCommon.h"

// The client's connection: picks and binds a local port, remembers the server,
// and connects and receives on its own worker thread.
class CKivFriendSocketCommon : public CKivFriendTcpSelect, public CKivFriendThreadBaseCommon {
public:
    // How many times a local port is probed and bound, or a connect refused for
    // a local address in use, before the connection attempt gives up.
    static constexpr int kBindAttempts = 16;

    CKivFriendSocketCommon();
    ~CKivFriendSocketCommon() override;

    // Binds a local port (-1: a random one in the configured range, then the first
    // free one above it) and starts connecting to the server on the worker.
    // Unless keepTarget is set, a non-empty address and a positive port replace
    // the stored server.
    void connect_remote(int port, const char* address, int serverPort, bool keepTarget);
    // Ends the connection without reporting any further event.
    void stop();
    void get_server_ip(char* out, int capacity) const;
    int get_binded_prot() const { return m_bindPort; }
    static void get_local_ip(char* out, int capacity);
    void set_rand_range(int low, int high);
    void return_state(int event, char* data, int length) { proc_func(event, data, length); }
    int get_connect_result() const { return m_connectResult; }

protected:
    unsigned int Virtual_Thread_Proc() override;

private:
    int pick_port(int port);

    std::atomic<int> m_connectResult{-1};
    mutable std::mutex m_targetLock;
    std::string m_serverAddress;
    int m_serverPort = 0;
    std::atomic<int> m_bindPort{0};
    int m_inUseRetries = 0;  // worker thread only
    int m_randLow = 1100;
    int m_randHigh = 65534;
};
