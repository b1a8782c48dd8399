#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "CKivAutoResetEvent.h"

// Base of the client's worker threads: the thread sleeps until asked to run
// Virtual_Thread_Proc once per request, and ends on request.
class CKivFriendThreadBaseCommon {
public:
    CKivFriendThreadBaseCommon();
    virtual ~CKivFriendThreadBaseCommon();
    CKivFriendThreadBaseCommon(const CKivFriendThreadBaseCommon&) = delete;
    CKivFriendThreadBaseCommon& operator=(const CKivFriendThreadBaseCommon&) = delete;

    // Creates the thread on first use; every call asks for one more run. Calls
    // that come before the pending run has started merge into that run.
    void Thread_Start();
    void Thread_Pause();
    // Asks the thread to end after the run in progress; does not wait.
    void Thread_Exit();
    bool Is_Thread_Running() const;

protected:
    virtual unsigned int Virtual_Thread_Proc() = 0;

    std::thread::native_handle_type Get_Thread_Handle();
    CKivAutoResetEvent* Get_Event_Handle() { return m_runEvent.get(); }
    std::thread::id Get_Thread_id() const { return m_threadId; }
    // Ends the thread and waits for it. A derived class calls this from its own
    // destructor so that no run uses the derived part while it is destroyed.
    bool End_Thread();

private:
    void Begin_Thread();
    unsigned Thread_Function();
    static unsigned Run_Thread(void* self);

    std::atomic<bool> m_exit{false};
    bool m_started = false;
    std::thread m_thread;
    std::thread::id m_threadId;
    std::unique_ptr<CKivAutoResetEvent> m_exitEvent;
    std::atomic<bool> m_paused{true};
    std::unique_ptr<CKivAutoResetEvent> m_runEvent;
};
