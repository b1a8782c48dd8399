#pragma once

#include <atomic>

#include "CKivAutoResetEvent.h"
#include "CKivFriendThreadBaseCommon.h"

// Tells the server every 30 seconds that the logged-in client is alive.
class CKivFriendHearbeatModel : public CKivFriendThreadBaseCommon {
public:
    static constexpr int kIntervalMs = 30000;

    static CKivFriendHearbeatModel* GetInstance();
    static void ReleaseInstance();

    ~CKivFriendHearbeatModel() override;

    // Records the uid and starts sending; a running loop only takes the new uid.
    void StartSendHearbeat(unsigned long uid);
    // Ends the loop at once, also in the middle of its wait.
    void set_stop();
    // Stores the uid (a setter, whatever its name says).
    unsigned int get_uid(unsigned long uid);
    void SetInterval(int milliseconds) { m_intervalMs = milliseconds; }

protected:
    unsigned int Virtual_Thread_Proc() override;

private:
    CKivFriendHearbeatModel() = default;

    static CKivFriendHearbeatModel* s_instance;

    std::atomic<unsigned int> m_uid{0};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_intervalMs{kIntervalMs};
    CKivAutoResetEvent m_stopEvent;
};
