#include "CKivFriendHearbeatModel.h"

#include "CKivFriendNetModel.h"
#include "KivProtocol.h"

CKivFriendHearbeatModel* CKivFriendHearbeatModel::s_instance = nullptr;

CKivFriendHearbeatModel* CKivFriendHearbeatModel::GetInstance() {
    if (s_instance == nullptr) {
        s_instance = new CKivFriendHearbeatModel();
    }
    return s_instance;
}

void CKivFriendHearbeatModel::ReleaseInstance() {
    delete s_instance;
    s_instance = nullptr;
}

CKivFriendHearbeatModel::~CKivFriendHearbeatModel() {
    set_stop();
    End_Thread();
}

void CKivFriendHearbeatModel::StartSendHearbeat(unsigned long uid) {
    get_uid(uid);
    if (this != s_instance && s_instance != nullptr) {
        s_instance->get_uid(uid);
    }
    Thread_Start();
}

void CKivFriendHearbeatModel::set_stop() {
    m_stop = true;
    m_stopEvent.Set();
}

unsigned int CKivFriendHearbeatModel::get_uid(unsigned long uid) {
    m_uid = static_cast<unsigned int>(uid);
    return m_uid;
}

unsigned int CKivFriendHearbeatModel::Virtual_Thread_Proc() {
    while (!m_stop) {
        // Built each round, so that a login with another account is followed.
        HeartbeatRequest beat;
        KivInitRecord(beat, Heartbeat);
        beat.uid = m_uid;
        CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&beat),
                                                    sizeof(beat));
        m_stopEvent.Wait(m_intervalMs);
    }
    Thread_Exit();
    return 1;
}
