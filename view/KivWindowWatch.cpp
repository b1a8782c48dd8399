#include "KivWindowWatch.h"

#include <QDateTime>

#include "KivWindowMessage.h"

namespace {

constexpr int kCheckMs = 1000;

}  // namespace

KivWindowWatch::KivWindowWatch(QObject* parent) : QObject(parent) {
    connect(&m_timer, &QTimer::timeout, this, &KivWindowWatch::Check);
}

void KivWindowWatch::Watch(quint64 window, int graceMs) {
    m_window = window;
    m_deadline = QDateTime::currentMSecsSinceEpoch() + graceMs;
    m_timer.start(kCheckMs);
}

void KivWindowWatch::Stop() {
    m_timer.stop();
}

void KivWindowWatch::Check() {
    const bool gone = m_window != 0 ? !KivWindowExists(m_window)
                                    : QDateTime::currentMSecsSinceEpoch() > m_deadline;
    if (gone) {
        m_timer.stop();
        emit Gone();
    }
}
