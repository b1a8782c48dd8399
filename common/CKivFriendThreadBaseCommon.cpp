#include "CKivFriendThreadBaseCommon.h"

#include <chrono>

CKivFriendThreadBaseCommon::CKivFriendThreadBaseCommon() = default;

CKivFriendThreadBaseCommon::~CKivFriendThreadBaseCommon() {
    m_exit = true;
    End_Thread();
}

void CKivFriendThreadBaseCommon::Thread_Start() {
    if (!m_started) {
        m_started = true;
        Begin_Thread();
    }
    m_paused = false;
    if (m_runEvent) {
        m_runEvent->Set();
    }
}

void CKivFriendThreadBaseCommon::Thread_Pause() {
    m_paused = true;
    if (m_runEvent) {
        m_runEvent->Set();
    }
}

void CKivFriendThreadBaseCommon::Thread_Exit() {
    m_exit = true;
    if (m_runEvent && m_exitEvent) {
        m_runEvent->Set();
        m_exitEvent->Set();
    }
}

bool CKivFriendThreadBaseCommon::Is_Thread_Running() const {
    return !m_paused && !m_exit;
}

std::thread::native_handle_type CKivFriendThreadBaseCommon::Get_Thread_Handle() {
    return m_thread.joinable() ? m_thread.native_handle() : std::thread::native_handle_type{};
}

void CKivFriendThreadBaseCommon::Begin_Thread() {
    auto group = std::make_shared<CKivAutoResetEvent::Group>();
    m_runEvent = std::make_unique<CKivAutoResetEvent>(group);
    m_exitEvent = std::make_unique<CKivAutoResetEvent>(group);
    m_thread = std::thread(&CKivFriendThreadBaseCommon::Run_Thread, this);
    m_threadId = m_thread.get_id();
}

bool CKivFriendThreadBaseCommon::End_Thread() {
    if (m_exitEvent) {
        m_exitEvent->Set();
    }
    if (!m_thread.joinable()) {
        return false;
    }
    if (m_thread.get_id() == std::this_thread::get_id()) {
        // Destroyed from its own run: the thread cannot wait for itself.
        m_thread.detach();
        return false;
    }
    m_thread.join();
    return true;
}

unsigned CKivFriendThreadBaseCommon::Run_Thread(void* self) {
    return static_cast<CKivFriendThreadBaseCommon*>(self)->Thread_Function();
}

unsigned CKivFriendThreadBaseCommon::Thread_Function() {
    // The exit event is listed first so that a pending exit wins over a run.
    while (CKivAutoResetEvent::WaitAny({m_exitEvent.get(), m_runEvent.get()}) == 1) {
        if (m_exit) {
            continue;
        }
        if (m_paused) {
            while (!m_exit && m_paused) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            continue;
        }
        Virtual_Thread_Proc();
    }
    return 0;
}
