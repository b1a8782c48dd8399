#pragma once

#include <glib.h>

// Makes a private context the thread's default while it lives: GDBus hands
// the replies and signals of what is started meanwhile to that context.
class CCorvoThreadDefaultContext {
public:
    explicit CCorvoThreadDefaultContext(GMainContext* context) : m_context(context) {
        g_main_context_push_thread_default(m_context);
    }
    ~CCorvoThreadDefaultContext() { g_main_context_pop_thread_default(m_context); }

    CCorvoThreadDefaultContext(const CCorvoThreadDefaultContext&) = delete;
    CCorvoThreadDefaultContext& operator=(const CCorvoThreadDefaultContext&) = delete;

private:
    GMainContext* m_context;
};
