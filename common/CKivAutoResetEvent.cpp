#include "CKivAutoResetEvent.h"

#include <chrono>

CKivAutoResetEvent::CKivAutoResetEvent() : m_group(std::make_shared<Group>()) {}

CKivAutoResetEvent::CKivAutoResetEvent(std::shared_ptr<Group> group) : m_group(std::move(group)) {}

void CKivAutoResetEvent::Set() {
    {
        std::lock_guard<std::mutex> guard(m_group->lock);
        m_signalled = true;
    }
    m_group->changed.notify_all();
}

bool CKivAutoResetEvent::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> guard(m_group->lock);
    const auto isSet = [this] { return m_signalled; };
    if (timeoutMs < 0) {
        m_group->changed.wait(guard, isSet);
    } else if (!m_group->changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), isSet)) {
        return false;
    }
    m_signalled = false;
    return true;
}

int CKivAutoResetEvent::WaitAny(std::initializer_list<CKivAutoResetEvent*> events) {
    Group& group = *(*events.begin())->m_group;
    std::unique_lock<std::mutex> guard(group.lock);
    int fired = -1;
    group.changed.wait(guard, [&] {
        int index = 0;
        for (CKivAutoResetEvent* event : events) {
            if (event->m_signalled) {
                fired = index;
                return true;
            }
            ++index;
        }
        return false;
    });
    (*(events.begin() + fired))->m_signalled = false;
    return fired;
}
