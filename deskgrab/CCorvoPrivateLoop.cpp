#include "CCorvoPrivateLoop.h"

CCorvoPrivateLoop::CCorvoPrivateLoop() : m_context(g_main_context_new()) {}

CCorvoPrivateLoop::WaitResult CCorvoPrivateLoop::WaitFor(const std::function<bool()>& done,
                                                         std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) {
            return WaitResult::Done;
        }
        if (m_interrupted) {
            return WaitResult::Interrupted;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return WaitResult::TimedOut;
        }
        // The timer only wakes the blocking iteration at the deadline.
        CorvoGlibPtr<GSource> timer(g_timeout_source_new(static_cast<guint>(left.count())));
        g_source_set_callback(
            timer.get(), [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(timer.get(), m_context.get());
        g_main_context_iteration(m_context.get(), TRUE);
    }
}

void CCorvoPrivateLoop::Poll() {
    while (g_main_context_iteration(m_context.get(), FALSE)) {
    }
}

void CCorvoPrivateLoop::Interrupt() {
    m_interrupted = true;
    g_main_context_wakeup(m_context.get());
}
