#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "CKivAutoResetEvent.h"
#include "CKivFriendThreadBaseCommon.h"

// Pulls the items that waited on the server while the user was offline, and
// proves what the server has read. The server answers every LeaveMessage
// request once, in order, after the records sent before it on the same
// connection: an answer proves that the server read the stream up to its
// request. One request is out at a time. Each carries the server's id of the
// last item stored for good on this connection, so the server lets an item go
// only once its row is committed; an answer that brings an item resumes the
// pull.
class CKivFriendGetLeaveMessageModel : public CKivFriendThreadBaseCommon {
public:
    // The row id before any item was stored.
    static constexpr unsigned int kNoRow = 0xFFFFFFFFu;
    // After an item could not be stored the pull is tried again this much
    // later, twice as late after each failure in a row, at most kRetryMaxMs.
    static constexpr int kRetryFirstMs = 1000;
    static constexpr int kRetryMaxMs = 30000;

    // What an answer proves: the stream of `connection` up to `end` was read.
    struct Answer {
        bool solicited = false;  // it answers a request of ours
        bool resumes = false;    // its item continues the pull once settled
        std::uint64_t connection = 0;
        std::uint64_t end = 0;
    };

    explicit CKivFriendGetLeaveMessageModel(unsigned int uid);
    ~CKivFriendGetLeaveMessageModel() override;

    // The receive path, for every LeaveMessage record: `item` when it brings
    // an item to store, `last` when it ends the pull.
    Answer Answered(bool item, bool last);
    // The item of an answer that resumes the pull is committed (or could not
    // be): the next request confirms it, or the pull waits and tries again.
    void ItemSettled(int kind, unsigned int rowId, bool stored);
    // Records were sent that the server should prove it read.
    void RequestConfirmation();
    // The connection ended: nothing is out any more and the pull stops.
    void SetStop();
    // The user whose items are pulled; follows the latest login.
    void SetUid(unsigned int uid);
    // For tests: the first wait before a failed pull is tried again.
    void SetRetryDelayMs(int ms) { m_retryFirstMs = ms; }
    bool IsStopped() const { return m_stop; }
    // The kind and server id of the last item stored.
    int GetLastKind() const { return m_lastKind; }
    unsigned int GetLastRowId() const { return m_lastRowId; }

protected:
    // One run starts a pull (after the retry wait when one is due).
    unsigned int Virtual_Thread_Proc() override;

private:
    // Sends the next request when none is out and one is wanted; lock held.
    void pump();

    std::mutex m_lock;
    bool m_outstanding = false;
    std::uint64_t m_outConnection = 0;
    std::uint64_t m_outEnd = 0;
    bool m_pulling = false;        // the pull goes on with the next request
    bool m_confirmWanted = false;  // records wait for an answer after them
    bool m_itemPending = false;    // an answer's item is not committed yet
    int m_retryMs = 0;             // the wait before the next run; 0: none due
    std::atomic<int> m_retryFirstMs{kRetryFirstMs};

    std::atomic<int> m_lastKind{-1};
    std::atomic<unsigned int> m_lastRowId{kNoRow};
    std::atomic<bool> m_stop{true};
    // Set for good when the puller goes; a starting run never clears it.
    std::atomic<bool> m_ending{false};
    std::atomic<unsigned int> m_uid;
    CKivAutoResetEvent m_wake;
};
