#include "CKivFriendGetLeaveMessageModel.h"

#include "CKivFriendNetModel.h"
#include "KivProtocol.h"

CKivFriendGetLeaveMessageModel::CKivFriendGetLeaveMessageModel(unsigned int uid) : m_uid(uid) {}

CKivFriendGetLeaveMessageModel::~CKivFriendGetLeaveMessageModel() {
    m_ending = true;
    m_stop = true;
    Thread_Exit();
    m_itemEvent.Set();
    End_Thread();
}

void CKivFriendGetLeaveMessageModel::ItemReceived(int kind, unsigned int rowId) {
    m_lastKind = kind;
    m_lastRowId = rowId;
    m_itemEvent.Set();
}

void CKivFriendGetLeaveMessageModel::SetStop() {
    m_stop = true;
    m_itemEvent.Set();
}

bool CKivFriendGetLeaveMessageModel::sendRequest(unsigned int lastRowId) {
    LeaveMessageRequest request;
    KivInitRecord(request, LeaveMessage);
    request.kind = 1;
    request.uid = m_uid;
    request.lastRowId = lastRowId;
    return CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<char*>(&request),
                                                       sizeof(request)) > 0;
}

void CKivFriendGetLeaveMessageModel::SetUid(unsigned int uid) {
    // Row ids of another user's items say nothing about this one's.
    if (m_uid.exchange(uid) != uid) {
        m_lastRowId = kNoRow;
        m_lastKind = -1;
    }
}

// One run is one pull; a later run (after a new login, also one that
// reconnected after a break) goes on after the last item received, which
// confirms it, so an item the break cut off is neither lost nor stored twice.
unsigned int CKivFriendGetLeaveMessageModel::Virtual_Thread_Proc() {
    m_stop = false;
    m_itemEvent.Wait(0);  // forget a wake-up left over from an earlier pull
    // Looked at after the reset: the wake-up of a destructor that comes later
    // stays signalled for the wait below.
    if (m_ending) {
        return 0;
    }
    const unsigned int last = m_lastRowId;
    // A request that cannot go out brings no item to wait for.
    if (!sendRequest(last == kNoRow ? 0 : last)) {
        return 0;
    }
    for (;;) {
        m_itemEvent.Wait();
        if (m_stop || m_ending || !sendRequest(m_lastRowId)) {
            return 0;
        }
    }
}
