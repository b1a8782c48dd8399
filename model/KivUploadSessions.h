#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>

#include "KivProtocol.h"

class CKivSession;

// The one owner of the requests for upload sessions. The server answers each
// UploadFile request in order and without a tag, and every listener of the
// net model hears every answer: so each answer goes to the oldest request
// still waiting, and a head picture and an attachment never swap sessions.
class KivUploadSessions : public QObject {
    Q_OBJECT
public:
    // The session number, or 0: the server refused, or the connection was
    // lost before it answered (an answer never crosses to a new connection).
    using Answer = std::function<void(quint32 session)>;

    explicit KivUploadSessions(CKivSession& session);

    // Asks for a session; `answer` runs once, on this thread, unless
    // `context` is gone by then. False (and no answer) when nothing was sent.
    bool Ask(KivUploadPurpose purpose, QObject* context, Answer answer);
    // Requests still waiting for their answer.
    int Waiting() const { return int(m_waiting.size()); }

signals:
    // The server's UploadFileResult text: it belongs to the head upload.
    void HeadResult(QString text);

private:
    void Answered(const QString& text);
    void FailAll();

    struct Request {
        QPointer<QObject> context;
        Answer answer;
    };
    CKivSession& m_session;
    std::deque<Request> m_waiting;
};
