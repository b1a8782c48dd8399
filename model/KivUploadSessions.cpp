#include "KivUploadSessions.h"

#include "CKivFriendNetModel.h"
#include "CKivReconnectModel.h"
#include "CKivSession.h"

KivUploadSessions::KivUploadSessions(CKivSession& session) : QObject(&session), m_session(session) {
    CKivFriendNetModel* net = &session.Net();
    connect(net, &CKivFriendNetModel::UpLoadFile, this, &KivUploadSessions::Answered);
    connect(net, &CKivFriendNetModel::UploadFileResult, this, &KivUploadSessions::HeadResult);
    connect(net, &CKivFriendNetModel::CloseConnect, this, &KivUploadSessions::FailAll);
    connect(&session.Reconnect(), &CKivReconnectModel::WentOffline, this,
            &KivUploadSessions::FailAll);
}

bool KivUploadSessions::Ask(KivUploadPurpose purpose, QObject* context, Answer answer) {
    if (!m_session.AskUpload(purpose))
        return false;
    m_waiting.push_back({context, std::move(answer)});
    return true;
}

void KivUploadSessions::Answered(const QString& text) {
    if (m_waiting.empty())
        return;
    Request request = std::move(m_waiting.front());
    m_waiting.pop_front();
    // The number goes into addresses: only a plain decimal number is taken.
    bool ok = false;
    const quint32 session = text.trimmed().toUInt(&ok);
    if (request.context)
        request.answer(ok ? session : 0);
}

void KivUploadSessions::FailAll() {
    std::deque<Request> lost;
    lost.swap(m_waiting);
    for (Request& request : lost) {
        if (request.context)
            request.answer(0);
    }
}
