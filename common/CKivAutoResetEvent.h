#pragma once

#include <condition_variable>
#include <initializer_list>
#include <memory>
#include <mutex>

// An auto-reset event: Set() lets exactly one wait through and is not counted
// (setting it twice before a wait still releases one wait). Events created
// on the same group can be waited on together with WaitAny.
class CKivAutoResetEvent {
public:
    class Group {
    public:
        std::mutex lock;
        std::condition_variable changed;
    };

    CKivAutoResetEvent();
    explicit CKivAutoResetEvent(std::shared_ptr<Group> group);

    void Set();
    // Waits until set, then resets; false when timeoutMs (>= 0) ran out first.
    bool Wait(int timeoutMs = -1);

    // Waits until one of the events is set, resets that one and returns its
    // position; the first listed wins when several are set. All events must
    // share one group.
    static int WaitAny(std::initializer_list<CKivAutoResetEvent*> events);

private:
    std::shared_ptr<Group> m_group;
    bool m_signalled = false;
};
