#include "CKivChatOutbox.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "CKivFriendDBModel.h"
#include "KivLog.h"
#include "KivProtocol.h"
#include "KivRetryDelay.h"

CKivChatOutbox::CKivChatOutbox(QObject* parent) : QObject(parent) {
    m_pMoveRetry = new QTimer(this);
    m_pMoveRetry->setSingleShot(true);
    connect(m_pMoveRetry, &QTimer::timeout, this, &CKivChatOutbox::RetryMoves);
    // The proof arrives on the socket's thread; the messages move here.
    connect(CKivFriendNetModel::GetInstance(), &CKivFriendNetModel::Confirmed, this,
            &CKivChatOutbox::Settle, Qt::QueuedConnection);
}

qint64 CKivChatOutbox::Post(quint32 sender, quint32 receiver, const QString& text) {
    const qint64 id = CKivFriendDBModel::GetInstance()->AddToOutbox(sender, receiver, text);
    if (id == 0) {
        return 0;
    }
    if (m_online && sender == m_sender) {
        Pump();
    } else {
        Announce(id, receiver, Mark::Held, false);
    }
    return id;
}

void CKivChatOutbox::SetOnline(quint32 sender) {
    // Still the same session: what is on its way stays so, and is not sent twice.
    if (m_online && sender == m_sender) {
        Pump();
        return;
    }
    if (m_online) {
        SetOffline();
    }
    m_online = true;
    m_sender = sender;
    Pump();
}

void CKivChatOutbox::Drain(int limitMs) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        Settle();
        if (m_flights.empty() || waited.elapsed() >= limitMs) {
            break;
        }
        QThread::msleep(5);
    }
    RetryMoves();
    SetOffline();
}

void CKivChatOutbox::SetOffline() {
    Settle();
    m_online = false;
    std::deque<Flight> unconfirmed;
    unconfirmed.swap(m_flights);
    for (const Flight& flight : unconfirmed) {
        m_flying.remove(flight.id);
        Announce(flight.id, flight.receiver, Mark::Held, true);
    }
}

QVector<CKivChatOutbox::Waiting> CKivChatOutbox::Kept(quint32 sender, quint32 receiver) const {
    QVector<Waiting> kept;
    for (const CKivOutboxRow& row : CKivFriendDBModel::GetInstance()->GetOutbox(sender)) {
        if (row.row.receiverUid != receiver) {
            continue;
        }
        const Mark mark = row.delivered ? Mark::Delivered : MarkOf(row.row.id);
        kept.append(Waiting{row.row.id, receiver, row.row.message, mark});
    }
    return kept;
}

CKivChatOutbox::Mark CKivChatOutbox::MarkOf(qint64 id) const {
    const auto moving = std::find_if(m_moving.begin(), m_moving.end(),
                                     [id](const Flight& flight) { return flight.id == id; });
    if (moving != m_moving.end()) {
        return Mark::Delivered;
    }
    return m_flying.contains(id) ? Mark::Flying : Mark::Held;
}

void CKivChatOutbox::Pump() {
    if (!m_online) {
        return;
    }
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    const QVector<CKivOutboxRow> waiting = CKivFriendDBModel::GetInstance()->GetOutbox(m_sender);
    bool blocked = false;
    bool sent = false;
    for (const CKivOutboxRow& kept : waiting) {
        const CKivChatRecordRow& row = kept.row;
        if (m_flying.contains(row.id)) {
            continue;
        }
        // The server has it already (an earlier run could not move it): it
        // is moved, never sent again.
        if (kept.delivered) {
            m_flying.insert(row.id);
            m_moving.push_back(Flight{row.id, row.receiverUid, row.message, {}});
            if (!m_pMoveRetry->isActive()) {
                m_pMoveRetry->start(0);
            }
            continue;
        }
        // Once one cannot go, the later ones wait too: they leave in order.
        if (!blocked) {
            ChatMessageRecord record;
            KivInitRecord(record, ChatMessage);
            record.senderUid = row.senderUid;
            record.receiverUid = row.receiverUid;
            KivWriteText(record.text, row.message.toUtf8());
            Flight flight{row.id, row.receiverUid, row.message, {}};
            net->Send_Tracked(reinterpret_cast<const char*>(&record), int(sizeof(record)),
                              flight.mark);
            if (flight.mark.connection != 0) {
                m_flying.insert(row.id);
                m_flights.push_back(std::move(flight));
                sent = true;
                Announce(row.id, row.receiverUid, Mark::Flying, false);
                continue;
            }
            blocked = true;
        }
        Announce(row.id, row.receiverUid, Mark::Held, false);
    }
    // One request after the burst proves every record of it.
    if (sent) {
        net->RequestConfirmation();
    }
}

void CKivChatOutbox::Settle() {
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    // Records of one connection are confirmed in the order they were sent.
    while (!m_flights.empty()) {
        const Flight flight = m_flights.front();
        if (net->ConfirmedBytes(flight.mark.connection) < flight.mark.endOffset) {
            break;
        }
        m_flights.pop_front();
        Move(flight);
    }
}

void CKivChatOutbox::Move(const Flight& flight) {
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    bool gone = false;
    if (db->MoveOutboxToHistory(flight.id, &gone)) {
        m_flying.remove(flight.id);
        emit Left(flight.id, flight.receiver, flight.text);
        return;
    }
    // Another outbox of the same session moved it (and said so).
    if (gone) {
        m_flying.remove(flight.id);
        return;
    }
    qCWarning(lcKivModel) << "a message the server has could not move into the history yet:"
                          << flight.id;
    // Kept as delivered, so that not even the next start sends it again.
    db->MarkOutboxDelivered(flight.id);
    m_moving.push_back(flight);
    if (!m_pMoveRetry->isActive()) {
        m_moveRetryMs = KivNextRetryMs(m_moveRetryMs, kMoveRetryFirstMs, kMoveRetryMaxMs);
        m_pMoveRetry->start(m_moveRetryMs);
    }
}

void CKivChatOutbox::RetryMoves() {
    m_pMoveRetry->stop();
    std::deque<Flight> moving;
    moving.swap(m_moving);
    const std::size_t before = moving.size();
    for (const Flight& flight : moving) {
        Move(flight);
    }
    if (before > 0 && m_moving.empty()) {
        m_moveRetryMs = 0;
    }
}

// Queued, so that a caller learns the id from Post before it hears of it.
void CKivChatOutbox::Announce(qint64 id, quint32 receiver, Mark mark, bool wasSent) {
    QMetaObject::invokeMethod(
        this,
        [this, id, receiver, mark, wasSent] {
            if (mark == Mark::Flying) {
                emit Flying(id, receiver);
            } else {
                emit Held(id, receiver, wasSent);
            }
        },
        Qt::QueuedConnection);
}
