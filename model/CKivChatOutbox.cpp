#include "CKivChatOutbox.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include "CKivFriendDBModel.h"
#include "KivLog.h"
#include "KivProtocol.h"

CKivChatOutbox::CKivChatOutbox(QObject* parent) : QObject(parent) {
    m_pPoll = new QTimer(this);
    m_pPoll->setInterval(kAcknowledgePollMs);
    connect(m_pPoll, &QTimer::timeout, this, &CKivChatOutbox::Settle);
}

qint64 CKivChatOutbox::Post(quint32 sender, quint32 receiver, const QString& text) {
    const qint64 id = CKivFriendDBModel::GetInstance()->AddToOutbox(sender, receiver, text);
    if (id == 0) {
        return 0;
    }
    if (m_online && sender == m_sender) {
        Pump();
    } else {
        AnnounceHeld(id, receiver);
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
    SetOffline();
}

void CKivChatOutbox::SetOffline() {
    Settle();
    m_online = false;
    m_pPoll->stop();
    std::deque<Flight> unconfirmed;
    unconfirmed.swap(m_flights);
    m_flying.clear();
    for (const Flight& flight : unconfirmed) {
        AnnounceHeld(flight.id, flight.receiver);
    }
}

void CKivChatOutbox::Pump() {
    if (!m_online) {
        return;
    }
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    const QVector<CKivChatRecordRow> waiting =
        CKivFriendDBModel::GetInstance()->GetOutbox(m_sender);
    bool blocked = false;
    for (const CKivChatRecordRow& row : waiting) {
        if (m_flying.contains(row.id)) {
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
                continue;
            }
            blocked = true;
        }
        AnnounceHeld(row.id, row.receiverUid);
    }
    if (!m_flights.empty() && !m_pPoll->isActive()) {
        m_pPoll->start();
    }
}

void CKivChatOutbox::Settle() {
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    // Records of one connection are confirmed in the order they were sent.
    while (!m_flights.empty()) {
        const Flight& flight = m_flights.front();
        if (net->AcknowledgedBytes(flight.mark.connection) < flight.mark.endOffset) {
            break;
        }
        if (!db->MoveOutboxToHistory(flight.id)) {
            qCWarning(lcKivModel) << "a message that left stays in the outbox:" << flight.id;
        }
        const Flight done = flight;
        m_flying.remove(done.id);
        m_flights.pop_front();
        emit Left(done.id, done.receiver, done.text);
    }
    if (m_flights.empty()) {
        m_pPoll->stop();
    }
}

// Queued, so that a caller learns the id from Post before it hears of it.
void CKivChatOutbox::AnnounceHeld(qint64 id, quint32 receiver) {
    QMetaObject::invokeMethod(
        this, [this, id, receiver] { emit Held(id, receiver); }, Qt::QueuedConnection);
}
