#pragma once

#include <atomic>

#include "CKivAutoResetEvent.h"
#include "CKivFriendThreadBaseCommon.h"

// Pulls the items that waited on the server while the user was offline, one
// request per item received, until the server reports that none is left.
class CKivFriendGetLeaveMessageModel : public CKivFriendThreadBaseCommon {
public:
    // The row id before any item was received.
    static constexpr unsigned int kNoRow = 0xFFFFFFFFu;

    explicit CKivFriendGetLeaveMessageModel(unsigned int uid);
    ~CKivFriendGetLeaveMessageModel() override;

    // Called by the receive path for each item: remembers it and wakes the puller.
    void ItemReceived(int kind, unsigned int rowId);
    // No more items: the puller sends nothing further.
    void SetStop();
    // The user whose items are pulled; follows the latest login.
    void SetUid(unsigned int uid);
    bool IsStopped() const { return m_stop; }
    int GetLastKind() const { return m_lastKind; }
    unsigned int GetLastRowId() const { return m_lastRowId; }

protected:
    unsigned int Virtual_Thread_Proc() override;

private:
    // False when the request could not be sent (no connection).
    bool sendRequest(unsigned int lastRowId);

    std::atomic<int> m_lastKind{-1};
    std::atomic<unsigned int> m_lastRowId{kNoRow};
    std::atomic<bool> m_stop{false};
    // Set for good when the puller goes; a starting run never clears it.
    std::atomic<bool> m_ending{false};
    std::atomic<unsigned int> m_uid;
    CKivAutoResetEvent m_itemEvent;
};
