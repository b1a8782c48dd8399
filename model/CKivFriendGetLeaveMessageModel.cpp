#include "CKivFriendGetLeaveMessageModel.h"

#include "CKivFriendNetModel.h"
#include "KivProtocol.h"
#include "KivRetryDelay.h"

CKivFriendGetLeaveMessageModel::CKivFriendGetLeaveMessageModel(unsigned int uid) : m_uid(uid) {}

CKivFriendGetLeaveMessageModel::~CKivFriendGetLeaveMessageModel() {
    m_ending = true;
    m_stop = true;
    Thread_Exit();
    m_wake.Set();
    End_Thread();
}

CKivFriendGetLeaveMessageModel::Answer CKivFriendGetLeaveMessageModel::Answered(bool item,
                                                                                bool last) {
    std::lock_guard<std::mutex> guard(m_lock);
    Answer answer;
    if (m_outstanding) {
        m_outstanding = false;
        answer.solicited = true;
        answer.connection = m_outConnection;
        answer.end = m_outEnd;
    }
    if (last) {
        m_pulling = false;
        m_stop = true;
    } else if (item && answer.solicited) {
        // Also the answer to a confirmation: its item is a real one, and the
        // items after it follow.
        answer.resumes = true;
        m_itemPending = true;
        m_pulling = true;
        m_stop = false;
    }
    pump();
    return answer;
}

void CKivFriendGetLeaveMessageModel::ItemSettled(int kind, unsigned int rowId, bool stored) {
    bool retry = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_itemPending = false;
        if (stored) {
            m_lastKind = kind;
            m_lastRowId = rowId;
            m_retryMs = 0;
        } else {
            // Not confirmed: the server keeps the item and brings it again.
            m_pulling = false;
            m_stop = true;
            m_retryMs = KivNextRetryMs(m_retryMs, m_retryFirstMs, kRetryMaxMs);
            retry = true;
        }
        pump();
    }
    if (retry) {
        Thread_Start();
    }
}

void CKivFriendGetLeaveMessageModel::RequestConfirmation() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_confirmWanted = true;
    pump();
}

void CKivFriendGetLeaveMessageModel::SetStop() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_outstanding = false;
    m_pulling = false;
    m_confirmWanted = false;
    m_itemPending = false;
    m_stop = true;
    // Row ids are the server's: the next connection (perhaps to another
    // server) starts from the first item. One stored already comes again and
    // is known by its id.
    m_lastRowId = kNoRow;
    m_lastKind = -1;
}

void CKivFriendGetLeaveMessageModel::SetUid(unsigned int uid) {
    // Row ids of another user's items say nothing about this one's.
    if (m_uid.exchange(uid) != uid) {
        m_lastRowId = kNoRow;
        m_lastKind = -1;
    }
}

void CKivFriendGetLeaveMessageModel::pump() {
    if (m_outstanding || m_itemPending || m_ending || (!m_pulling && !m_confirmWanted)) {
        return;
    }
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    // Before the login result the server ignores the request: it would never be answered.
    if (!net->IsLoggedIn()) {
        return;
    }
    LeaveMessageRequest request;
    KivInitRecord(request, LeaveMessage);
    request.kind = 1;
    request.uid = m_uid;
    const unsigned int last = m_lastRowId;
    request.lastRowId = last == kNoRow ? 0 : last;
    // Sent under the lock: the answer may be dispatched before the send returns,
    // and it must find the request it answers.
    CKivFriendNetModel::SentMark mark;
    if (net->Send_Tracked(reinterpret_cast<const char*>(&request), int(sizeof(request)), mark) !=
        int(sizeof(request))) {
        m_pulling = false;
        m_stop = true;
        return;
    }
    m_outstanding = true;
    m_outConnection = mark.connection;
    m_outEnd = mark.endOffset;
    // This request comes after every record sent so far: it proves them too.
    m_confirmWanted = false;
}

// A run starts a pull: the first request asks for the item after the last one
// stored on this connection (the first one on a new connection), which also
// confirms that one to the server.
unsigned int CKivFriendGetLeaveMessageModel::Virtual_Thread_Proc() {
    m_wake.Wait(0);  // forget a wake-up left over from an earlier run
    if (m_ending) {
        return 0;
    }
    int wait = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        wait = m_retryMs;
    }
    if (wait > 0) {
        m_wake.Wait(wait);
    }
    if (m_ending) {
        return 0;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_pulling = true;
    m_stop = false;
    pump();
    return 0;
}
