#pragma once

#include <functional>
#include <memory>

class QObject;

// A single-shot timer. Whoever made it decides what "later" means: the event
// loop's clock in the program, a clock a test moves by hand in the tests.
class KivTimer {
public:
    virtual ~KivTimer() = default;
    // Starts, or starts again, to fire once after `ms`.
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
};

// Makes the timers of the objects that wait: reconnection delays, login
// timeouts, grace periods. Tests hand in a clock of their own so that waiting
// costs them nothing and "nothing happens" is checked by moving time.
class KivTimerSource {
public:
    virtual ~KivTimerSource() = default;
    // `fire` runs on `context`'s thread; the timer stops firing once
    // `context` is gone and must not outlive the source.
    virtual std::unique_ptr<KivTimer> Make(QObject* context, std::function<void()> fire) = 0;
    // The event loop's timers.
    static KivTimerSource& EventLoop();
};
