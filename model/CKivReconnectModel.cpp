#include "CKivReconnectModel.h"

#include "CKivFriendNetModel.h"
#include "KivLog.h"
#include "KivSocketEvents.h"

CKivReconnectModel::CKivReconnectModel(CKivFriendNetModel* net, QObject* parent,
                                       KivTimerSource& timers)
    : QObject(parent), m_pNet(net) {
    m_wait = timers.Make(this, [this] { Attempt(); });
    m_limit = timers.Make(this, [this] {
        qCInfo(lcKivNet) << "reconnection attempt timed out";
        m_pNet->Delete_Socket();
        ScheduleNext();
    });
    connect(m_pNet, &CKivFriendNetModel::LoginResult, this, &CKivReconnectModel::ConnectionChecked);
}

CKivReconnectModel::~CKivReconnectModel() = default;

int CKivReconnectModel::DelayMs(int failures) {
    static const int kDelays[] = {0, 1000, 2000, 4000, 8000, 16000};
    constexpr int kSteady = 30000;
    const int known = int(sizeof(kDelays) / sizeof(kDelays[0]));
    return failures >= 0 && failures < known ? kDelays[failures] : kSteady;
}

void CKivReconnectModel::Arm(const QByteArray& loginRequest) {
    m_request = loginRequest;
    m_failures = 0;
    m_wait->Stop();
    m_limit->Stop();
    m_state = State::Online;
}

void CKivReconnectModel::Disarm() {
    m_wait->Stop();
    m_limit->Stop();
    m_request.fill('\0');
    m_request.clear();
    m_state = State::Off;
}

bool CKivReconnectModel::ConnectionLost() {
    switch (m_state) {
        case State::Off:
            return false;
        case State::Online:
            qCInfo(lcKivNet) << "connection lost; reconnecting";
            m_failures = 0;
            m_state = State::Waiting;
            emit WentOffline();
            // Queued even when due at once: whoever reported the loss finishes first.
            m_wait->Start(DelayMs(0));
            return true;
        case State::Connecting:
        case State::LoggingIn:
            ScheduleNext();
            return true;
        case State::Waiting:
            return true;
    }
    return true;
}

void CKivReconnectModel::TryNow() {
    if (m_state != State::Waiting) {
        return;
    }
    m_wait->Stop();
    Attempt();
}

void CKivReconnectModel::Attempt() {
    if (m_state != State::Waiting) {
        return;
    }
    m_state = State::Connecting;
    m_limit->Start(kAttemptLimitMs);
    m_pNet->Connect_Svr();
}

void CKivReconnectModel::ConnectionChecked(int result) {
    if (m_state != State::Connecting) {
        return;
    }
    // The connection check answered "accepted".
    if (result != EVENT_CONNECTED) {
        ScheduleNext();
        return;
    }
    m_state = State::LoggingIn;
    if (m_pNet->Send_Msg(m_request.constData(), m_request.size()) != m_request.size()) {
        ScheduleNext();
    }
}

void CKivReconnectModel::LoginSucceeded() {
    if (m_state == State::Off) {
        return;
    }
    m_wait->Stop();
    m_limit->Stop();
    m_failures = 0;
    const bool wasAway = m_state != State::Online;
    m_state = State::Online;
    if (wasAway) {
        qCInfo(lcKivNet) << "logged in again";
        emit CameBack();
    }
}

void CKivReconnectModel::LoginFailed() {
    if (m_state == State::LoggingIn) {
        ScheduleNext();
    }
}

void CKivReconnectModel::ScheduleNext() {
    m_limit->Stop();
    m_state = State::Waiting;
    ++m_failures;
    m_wait->Start(DelayMs(m_failures));
}
