#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QVector>

#include "KivChatQueries.h"

class QTimer;

// The main window's book of what waits: which rows of the chat table have
// been looked at, the friends whose messages wait with their count and last
// text, and when the box, the row tips and the recent chats are due to be
// shown again. Bursts of messages cost one refresh per gap.
class KivUnreadTracker : public QObject {
    Q_OBJECT
public:
    static constexpr int kRefreshGapMs = 100;

    struct Note {
        int count = 0;
        QString text;
        QString time;
    };

    explicit KivUnreadTracker(QObject* parent);

    // The rows stored since the last look, each once. The first look of a
    // session brings what waited before it (waitingBefore is then set) and
    // fixes the id from which the later looks go on.
    QVector<KivChatQueries::Received> Collect(quint32 ownUid, bool* waitingBefore);
    // Every row up to this id has been looked at (-1 before the first look).
    qint64 ScannedUpTo() const { return m_scannedUpTo; }

    // The friends waiting, oldest first, with their head numbers (-1: none known).
    const QList<QPair<int, int>>& Waiting() const { return m_waiting; }
    bool Waits(quint32 uid) const;
    void Enter(quint32 uid, int head);
    // Messages that wait from uid, the last of them given.
    void Add(quint32 uid, int head, int count, const QString& text, const QString& time);
    Note NoteOf(quint32 uid) const { return m_notes.value(uid); }
    bool HasNote(quint32 uid) const { return m_notes.contains(uid); }
    // The friend's messages are read: nothing of it waits.
    void Drop(quint32 uid);

    void MarkBox(quint32 uid);
    void MarkRecent() { m_recentDue = true; }
    // The next refresh comes at once, or a gap after the last one.
    void Schedule();

signals:
    // The box rows of these friends, and the recent chats when `recent`.
    void RefreshDue(const QSet<quint32>& box, bool recent);

private:
    void Refresh();

    qint64 m_scannedUpTo = -1;
    QList<QPair<int, int>> m_waiting;
    QHash<quint32, Note> m_notes;
    QSet<quint32> m_boxDue;
    bool m_recentDue = false;
    QTimer* m_pTimer = nullptr;
    QElapsedTimer m_sinceRefresh;
};
