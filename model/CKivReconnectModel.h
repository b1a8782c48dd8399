#pragma once

#include <QByteArray>
#include <QObject>
#include <memory>

#include "KivTimerSource.h"

class CKivFriendNetModel;

// Heals a logged-in session whose connection was lost: connects again at
// once, then after 1, 2, 4, 8, 16 and 30 s and every 30 s after that, and
// logs in with the session's own login request (kept in memory only) once the
// server answers the connection check. What the server says to that login is
// the owner's to judge; it reports back with LoginSucceeded or LoginFailed.
class CKivReconnectModel : public QObject {
    Q_OBJECT
public:
    enum class State {
        Off,         // no session to heal
        Online,      // logged in
        Waiting,     // lost; the next attempt is due later
        Connecting,  // an attempt waits for the connection check
        LoggingIn    // an attempt waits for the login result
    };
    // An attempt that has not logged in after this long counts as failed.
    static constexpr int kAttemptLimitMs = 15000;

    explicit CKivReconnectModel(CKivFriendNetModel* net, QObject* parent = nullptr,
                                KivTimerSource& timers = KivTimerSource::EventLoop());
    ~CKivReconnectModel() override;

    // The session logged in with `loginRequest`; losses are healed from now on.
    void Arm(const QByteArray& loginRequest);
    // The session ends: nothing is attempted any more.
    void Disarm();
    bool IsArmed() const { return m_state != State::Off; }
    State CurrentState() const { return m_state; }
    // A login result now answers this model's login.
    bool IsRelogging() const { return m_state == State::LoggingIn; }

    // The connection was lost, or an attempt's connection failed. True when
    // the loss is this model's to heal (false when it is off).
    bool ConnectionLost();
    // Tries at once unless an attempt is under way (a click on the state line).
    void TryNow();
    void LoginSucceeded();
    // The login was answered but did not succeed, for a reason that may pass.
    void LoginFailed();

    // How long to wait before the attempt after `failures` failed ones.
    static int DelayMs(int failures);

signals:
    // The session lost its connection and waits for a new one.
    void WentOffline();
    // Logged in again.
    void CameBack();

private:
    void Attempt();
    void ConnectionChecked(int result);
    void ScheduleNext();

    CKivFriendNetModel* m_pNet;
    QByteArray m_request;
    State m_state = State::Off;
    int m_failures = 0;
    std::unique_ptr<KivTimer> m_wait;
    std::unique_ptr<KivTimer> m_limit;
};
