#include "shell/KivUnreadTracker.h"

#include <QTimer>
#include <utility>

KivUnreadTracker::KivUnreadTracker(QObject* parent) : QObject(parent) {
    m_pTimer = new QTimer(this);
    m_pTimer->setSingleShot(true);
    connect(m_pTimer, &QTimer::timeout, this, &KivUnreadTracker::Refresh);
}

QVector<KivChatQueries::Received> KivUnreadTracker::Collect(quint32 ownUid, bool* waitingBefore) {
    *waitingBefore = m_scannedUpTo < 0;
    if (*waitingBefore) {
        m_scannedUpTo = KivChatQueries::NewestId();
        return KivChatQueries::UnreadUpTo(ownUid, m_scannedUpTo);
    }
    qint64 newest = m_scannedUpTo;
    const auto received = KivChatQueries::ReceivedSince(ownUid, m_scannedUpTo, &newest);
    m_scannedUpTo = newest;
    return received;
}

bool KivUnreadTracker::Waits(quint32 uid) const {
    for (const auto& entry : m_waiting) {
        if (entry.first == int(uid))
            return true;
    }
    return false;
}

void KivUnreadTracker::Enter(quint32 uid, int head) {
    if (!Waits(uid))
        m_waiting.append({int(uid), head});
}

void KivUnreadTracker::Add(quint32 uid, int head, int count, const QString& text,
                           const QString& time) {
    Note& note = m_notes[uid];
    note.count += count;
    note.text = text;
    note.time = time;
    Enter(uid, head);
    m_boxDue.insert(uid);
    m_recentDue = true;
}

void KivUnreadTracker::Drop(quint32 uid) {
    for (int i = m_waiting.size() - 1; i >= 0; --i) {
        if (m_waiting[i].first == int(uid))
            m_waiting.removeAt(i);
    }
    m_notes.remove(uid);
    m_boxDue.remove(uid);
}

void KivUnreadTracker::MarkBox(quint32 uid) {
    m_boxDue.insert(uid);
}

void KivUnreadTracker::Schedule() {
    if (m_pTimer->isActive())
        return;
    const qint64 since = m_sinceRefresh.isValid() ? m_sinceRefresh.elapsed() : kRefreshGapMs;
    m_pTimer->start(int(qBound<qint64>(0, kRefreshGapMs - since, kRefreshGapMs)));
}

void KivUnreadTracker::Refresh() {
    m_sinceRefresh.start();
    const QSet<quint32> box = std::exchange(m_boxDue, {});
    emit RefreshDue(box, std::exchange(m_recentDue, false));
}
