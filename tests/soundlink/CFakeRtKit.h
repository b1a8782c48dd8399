#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

typedef struct _GMainLoop GMainLoop;
typedef struct _GTestDBus GTestDBus;

// A real-time broker of our own on a private bus: it publishes the limits it
// is made with and answers as rtkit does, refusing a process whose real-time
// CPU time is not capped within its limit. It records what it was asked.
class CFakeRtKit {
public:
    struct Limits {
        int maxRealtimePriority = 20;
        int minNiceLevel = -15;
        long long rtTimeUsecMax = 200000;
    };

    explicit CFakeRtKit(const Limits& limits);
    ~CFakeRtKit();
    CFakeRtKit(const CFakeRtKit&) = delete;
    CFakeRtKit& operator=(const CFakeRtKit&) = delete;

    // The private bus's address, "" when it could not be started.
    const std::string& Address() const { return m_address; }

    // The last thread and priority asked for; thread 0 for none.
    std::atomic<long long> realtimeThread{0};
    std::atomic<int> realtimePriority{0};
    std::atomic<long long> highThread{0};
    std::atomic<int> highNice{0};
    // The caller's RLIMIT_RTTIME (hard) when it asked for real time.
    std::atomic<long long> rtTimeSeen{-1};

private:
    struct State;
    void Serve();

    Limits m_limits;
    std::string m_address;
    GTestDBus* m_bus = nullptr;
    std::unique_ptr<State> m_state;
    std::thread m_loop;
};
