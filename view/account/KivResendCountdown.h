#pragma once

#include <QObject>

class QLabel;
class QPushButton;
class QTimer;

// The wait before a check number may be asked for again. While it runs the
// label shows "<n>秒后重新发送" and the button stays disabled; when it ends the
// label hides, the button is usable and the next wait is the shorter one.
class KivResendCountdown : public QObject {
    Q_OBJECT
public:
    KivResendCountdown(int firstWait, int laterWait, QLabel* label, QPushButton* button,
                       QObject* parent);

    // Starts the wait; while one runs nothing changes, so a repeated request
    // or answer never adds a second timer or resets the seconds.
    void Start();
    // One second has passed.
    void Tick();

    bool IsRunning() const;
    int Seconds() const { return m_seconds; }
    // The one-second timer; its owner connects timeout() to its own slot.
    QTimer* Timer() const { return m_pTimer; }

private:
    void ShowSeconds();

    QTimer* m_pTimer = nullptr;
    QLabel* m_pLabel = nullptr;
    QPushButton* m_pButton = nullptr;
    int m_seconds = 0;
    int m_laterWait = 0;
};
