#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <deque>

#include "CKivFriendNetModel.h"

class QTimer;

// The messages the user sent, from the moment they are typed until the server
// has them. Each is kept in the account's database at once, sent in order
// while the session is logged in, and moved into the history when the
// server's side of the connection has acknowledged its bytes. What a lost
// connection did not confirm waits, and goes out again after the next login
// (also one after the program was started again), so a message is neither
// lost nor, by a clean reconnection, sent twice. Lives on the user-interface
// thread.
class CKivChatOutbox : public QObject {
    Q_OBJECT
public:
    // How often sent messages are looked at while the server has not confirmed them.
    static constexpr int kAcknowledgePollMs = 40;

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
    // on its way, then goes offline.
    void Drain(int limitMs);
    bool IsOnline() const { return m_online; }
    // Sent and not confirmed yet.
    int InFlight() const { return int(m_flights.size()); }

signals:
    // The message reached the server and is in the history now.
    void Left(qint64 id, quint32 receiver, const QString& text);
    // The message cannot leave now; it goes out after the next login.
    void Held(qint64 id, quint32 receiver);

private:
    struct Flight {
        qint64 id = 0;
        quint32 receiver = 0;
        QString text;
        CKivFriendNetModel::SentMark mark;
    };

    // Sends every waiting message that is not on its way yet, in order.
    void Pump();
    // Moves what the server confirmed into the history.
    void Settle();
    void AnnounceHeld(qint64 id, quint32 receiver);

    bool m_online = false;
    quint32 m_sender = 0;
    std::deque<Flight> m_flights;
    QSet<qint64> m_flying;
    QTimer* m_pPoll = nullptr;
};
