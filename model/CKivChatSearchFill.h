#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// Keeps the search index up in the background for a session: it fills in the
// history stored before the index existed, a small step at a time, each step
// in a transaction of its own so the network thread's writes wait for one
// step at most; then it takes in, once a second, the rows stored since (the
// model made their copies already; another program's get theirs here).
class CKivChatSearchFill {
public:
    // Rows (by id) indexed per step (a few milliseconds), and the pause after
    // each: a writer waiting in SQLite's busy handler retries after 1, 2, 5,
    // 10 ms..., so the pauses must be long enough for it to find the lock free.
    static constexpr int kStepRows = 500;
    static constexpr int kPauseMs = 10;
    static constexpr int kIdleMs = 1000;

    CKivChatSearchFill();
    ~CKivChatSearchFill();
    CKivChatSearchFill(const CKivChatSearchFill&) = delete;
    CKivChatSearchFill& operator=(const CKivChatSearchFill&) = delete;

    // The history is indexed (or the index cannot be made).
    bool Finished() const { return m_finished.load(); }

private:
    void Run();
    // Sleeps up to ms; false once asked to stop.
    bool Pause(int ms);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};
