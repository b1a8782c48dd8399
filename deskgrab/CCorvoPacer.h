#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// Spaces frames by a fixed interval counted from the first paced frame,
// so late frames catch up instead of pushing every later frame back.
class CCorvoPacer {
public:
    // The next paced frame starts a new count.
    void Restart();
    // Waits until the next frame is due; false when interrupted.
    bool WaitTurn(int intervalMs);
    // Makes waits return at once until Resume.
    void Interrupt();
    void Resume();

private:
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_interrupted = false;
    bool m_started = false;
    int m_intervalMs = 0;
    std::chrono::steady_clock::time_point m_anchor;
    std::int64_t m_count = 0;
};
