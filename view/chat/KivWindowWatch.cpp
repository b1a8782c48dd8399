#include "chat/KivWindowWatch.h"

#include <QDateTime>

#include "KivProcessWatch.h"
#include "KivWindowMessage.h"

namespace {

constexpr int kCheckMs = 1000;

}  // namespace

KivWindowWatch::KivWindowWatch(QObject* parent)
    : QObject(parent), m_process(new KivProcessWatch(this)) {
    connect(&m_timer, &QTimer::timeout, this, &KivWindowWatch::Check);
    connect(m_process, &KivProcessWatch::Ended, this, &KivWindowWatch::Ended);
}

KivWindowWatch::~KivWindowWatch() = default;

void KivWindowWatch::WatchProcess(qint64 pid, int graceMs) {
    Stop();
    m_pid = pid;
    m_deadline = QDateTime::currentMSecsSinceEpoch() + graceMs;
    m_timer.start(kCheckMs);
    if (!m_process->Watch(pid)) {
        // Ended already: said from the event loop, as a watch that saw it end.
        QTimer::singleShot(0, this, [this, pid] {
            if (m_pid == pid && m_timer.isActive()) {
                Ended();
            }
        });
    }
}

void KivWindowWatch::Watch(quint64 window) {
    m_window = window;
    if (!m_timer.isActive()) {
        m_timer.start(kCheckMs);
    }
}

void KivWindowWatch::Stop() {
    m_timer.stop();
    m_process->Stop();
    m_pid = 0;
    m_window = 0;
}

void KivWindowWatch::Ended() {
    Stop();
    emit Gone();
}

void KivWindowWatch::Check() {
    const bool gone = m_window != 0 ? !KivWindowExists(m_window)
                                    : QDateTime::currentMSecsSinceEpoch() > m_deadline;
    if (gone) {
        Ended();
    }
}
