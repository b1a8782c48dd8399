#pragma once

#include <condition_variable>
#include <mutex>

// Auto-reset event: Set lets one wait through; setting twice before a wait
// still lets only one through.
class CAutoEvent {
public:
    void Set();
    void Reset();
    // Waits until set and resets it; false when timeoutMs (>= 0) ran out first.
    bool Wait(int timeoutMs = -1);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled = false;
};
