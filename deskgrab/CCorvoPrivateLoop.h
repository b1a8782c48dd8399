#pragma once

#include <atomic>
#include <chrono>
#include <functional>

#include "CorvoGlibOwners.h"

// A GLib main context of our own. The portal's replies and signals are
// handled only while we wait on it, never on a loop of the application's.
class CCorvoPrivateLoop {
public:
    enum class WaitResult { Done, TimedOut, Interrupted };

    CCorvoPrivateLoop();

    CCorvoPrivateLoop(const CCorvoPrivateLoop&) = delete;
    CCorvoPrivateLoop& operator=(const CCorvoPrivateLoop&) = delete;

    GMainContext* Context() const { return m_context.get(); }

    // Handles what arrived on the context until done() holds, the time is
    // up or Interrupt is called.
    WaitResult WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // Handles what has arrived, without waiting.
    void Poll();

    // From any thread: ends the current and every later wait until Reset.
    void Interrupt();
    bool IsInterrupted() const { return m_interrupted.load(); }
    void Reset() { m_interrupted = false; }

private:
    CorvoGlibPtr<GMainContext> m_context;
    std::atomic<bool> m_interrupted{false};
};
