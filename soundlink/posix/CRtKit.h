#pragma once

#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;

// The desktop's real-time broker (rtkit) on a message bus. It gives threads of
// processes that cap their real-time CPU time a real-time policy or a high
// nice level, within limits it publishes.
class CRtKit {
public:
    struct Limits {
        int maxRealtimePriority = 0;
        int minNiceLevel = 0;
        long long rtTimeUsecMax = 0;
    };

    // Connects to the bus at address; empty: the system bus.
    explicit CRtKit(const std::string& address = std::string());
    ~CRtKit();
    CRtKit(const CRtKit&) = delete;
    CRtKit& operator=(const CRtKit&) = delete;

    // Reads the broker's limits; false (error set) without a bus or a broker.
    bool ReadLimits(Limits* limits, std::string* error);
    // Caps this process's real-time CPU time at the broker's limit, as the
    // broker requires, and asks for a round-robin priority, kept within the
    // broker's maximum. The priority obtained, 0 (error set) for none.
    int MakeRealtime(long threadId, int priority, const Limits& limits, std::string* error);
    // Asks for a nice level, kept at the broker's minimum; false (error set)
    // when refused.
    bool MakeHighPriority(long threadId, int nice, const Limits& limits, int* obtained,
                          std::string* error);

private:
    struct ConnectionDeleter {
        void operator()(GDBusConnection* connection) const;
    };

    bool Call(const char* method, const char* signature, long threadId, int priority,
              std::string* error);
    bool Property(const char* name, long long* value, std::string* error);

    std::unique_ptr<GDBusConnection, ConnectionDeleter> m_bus;
    std::string m_connectError;
};
