#include "account/KivResendCountdown.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

KivResendCountdown::KivResendCountdown(int firstWait, int laterWait, QLabel* label,
                                       QPushButton* button, QObject* parent)
    : QObject(parent),
      m_pTimer(new QTimer(this)),
      m_pLabel(label),
      m_pButton(button),
      m_seconds(firstWait),
      m_laterWait(laterWait) {
    m_pTimer->setInterval(1000);
    m_pLabel->hide();
}

bool KivResendCountdown::IsRunning() const {
    return m_pTimer->isActive();
}

void KivResendCountdown::Start() {
    if (IsRunning())
        return;
    m_pTimer->start();
    ShowSeconds();
    m_pLabel->show();
    m_pButton->setEnabled(false);
}

void KivResendCountdown::Tick() {
    if (!IsRunning())
        return;
    --m_seconds;
    ShowSeconds();
    if (m_seconds > 0)
        return;
    m_pTimer->stop();
    m_pLabel->hide();
    m_seconds = m_laterWait;
    m_pButton->setEnabled(true);
}

void KivResendCountdown::ShowSeconds() {
    m_pLabel->setText(tr("%n秒后重新发送", nullptr, m_seconds));
}
