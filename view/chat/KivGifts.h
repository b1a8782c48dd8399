#pragma once

#include <QCoreApplication>
#include <QString>

class CKivSession;

// The rules of priced gifts, in one place: only a VIP member sends gifts;
// every gift in a message is paid for, picked or typed, once, when the
// message has left; what still waits in the outbox counts against the balance.
class KivGifts {
    Q_DECLARE_TR_FUNCTIONS(KivGifts)

public:
    explicit KivGifts(CKivSession& session) : m_session(session) {}

    // The balance less the gifts of the messages still in the outbox.
    double BalanceLeft() const;
    // Why the plain chat text cannot be sent now, or empty when it can.
    QString RefusalToSend(const QString& plain) const;
    // Why the gift picture `path` cannot join an input whose plain text is
    // `inputPlain`, or empty when it can.
    QString RefusalToPick(const QString& path, const QString& inputPlain) const;
    // The message with this text has left: its gifts are paid for.
    void Charge(const QString& plain);

private:
    CKivSession& m_session;
};
