#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>
#include <deque>

#include "CKivFriendNetModel.h"

class QTimer;

// The messages the user sent, from the moment they are typed until the server
// has them. Each is kept in the account's database at once (on the disk when
// Post returns), sent in order while the session is logged in, and moved into
// the history only when the server's answer to a request sent after it proves
// the server read it. What a lost connection did not confirm waits, and goes
// out again after the next login (also one after the program was started
// again). A message is never lost; it can be doubled only when the connection
// dies between the server reading it and its proof arriving. Lives on the
// user-interface thread.
class CKivChatOutbox : public QObject {
    Q_OBJECT
public:
    // A move into the history that failed is tried again this much later,
    // twice as late after each failure in a row, at most kMoveRetryMaxMs.
    static constexpr int kMoveRetryFirstMs = 1000;
    static constexpr int kMoveRetryMaxMs = 30000;

    enum class Mark {
        Held,       // waits for the connection
        Flying,     // sent, the server has not proven it read it yet
        Delivered,  // the server has it; it waits only for its place in the history
    };
    struct Waiting {
        qint64 id = 0;
        quint32 receiver = 0;
        QString text;
        Mark mark = Mark::Held;
    };

    explicit CKivChatOutbox(QObject* parent = nullptr);

    // Keeps a message and sends it after those before it; its id, 0 when the
    // database refused it (nothing is kept or sent then).
    qint64 Post(quint32 sender, quint32 receiver, const QString& text);
    // The session of `sender` is logged in: every waiting message goes out,
    // oldest first.
    void SetOnline(quint32 sender);
    // The connection ended: what it did not confirm waits for the next login.
    void SetOffline();
    // Before quitting: waits up to limitMs for the server to confirm what is
    // on its way, then goes offline. What was not confirmed stays kept.
    void Drain(int limitMs);
    bool IsOnline() const { return m_online; }
    // Sent and not confirmed yet.
    int InFlight() const { return int(m_flights.size()); }
    // The messages of `sender` to `receiver` still kept, oldest first.
    QVector<Waiting> Kept(quint32 sender, quint32 receiver) const;

signals:
    // The message reached the server and is in the history now.
    void Left(qint64 id, quint32 receiver, const QString& text);
    // The message cannot leave now; it goes out after the next login.
    // wasSent: it went out on a connection that ended before the server proved it.
    void Held(qint64 id, quint32 receiver, bool wasSent);
    // The message went out; the server's proof is awaited.
    void Flying(qint64 id, quint32 receiver);

private:
    struct Flight {
        qint64 id = 0;
        quint32 receiver = 0;
        QString text;
        CKivFriendNetModel::SentMark mark;
    };

    Mark MarkOf(qint64 id) const;
    // Sends every waiting message that is not on its way yet, in order.
    void Pump();
    // Moves what the server confirmed into the history.
    void Settle();
    // Moves a confirmed message into the history, or keeps it for another try.
    void Move(const Flight& flight);
    void RetryMoves();
    // Held or Flying.
    void Announce(qint64 id, quint32 receiver, Mark mark, bool wasSent);

    bool m_online = false;
    quint32 m_sender = 0;
    std::deque<Flight> m_flights;
    // Sent or delivered: never sent (again) by Pump.
    QSet<qint64> m_flying;
    // Confirmed, but the move into the history failed.
    std::deque<Flight> m_moving;
    QTimer* m_pMoveRetry = nullptr;
    int m_moveRetryMs = 0;
};
