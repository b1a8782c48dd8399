#include "shell/KivCallRelay.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include "CKivSession.h"
#include "KivMediaRecord.h"
#include "KivWindowMessage.h"
#include "shell/ImMeaidCueDlg.h"

KivCallRelay::KivCallRelay(QWidget& window, CKivSession& session)
    : m_window(window), m_session(session) {}

void KivCallRelay::Decline(ptl_sys_send_per_media* media) {
    *media = KivMediaWithState(*media, KivMediaDeclined);
    m_session.AnswerCall(*media, KivMediaDeclined);
}

void KivCallRelay::Accept(ptl_sys_send_per_media* media, quintptr callWindow) {
    if (media->state != KivMediaAccepted) {
        *media = KivMediaWithState(*media, KivMediaAccepted);
        // The send waits in a loop that may delete the cue, so only a copy travels.
        const QByteArray request = KivMediaToMessage(*media);
        KivSendMessage(callWindow, 1, KivWindowIdFor(quint64(m_window.winId())), request);
        return;
    }
    m_session.AcceptCall(*media);
}

void KivCallRelay::HungUp(const ptl_sys_send_per_media& answer,
                          const ptl_sys_send_per_media& cueRequest) {
    m_session.SendCall(answer.callerUid != 0 ? answer : cueRequest, KivMediaClosedByCallee);
}

void KivCallRelay::Close(const ptl_sys_send_per_media& media) {
    if (media.state != KivMediaClosedByCaller)
        return;
    // Ending a cue waits for its call window, and other cues may be deleted meanwhile.
    QList<QPointer<ImMeaidCueDlg>> cues;
    for (ImMeaidCueDlg* cue : m_window.findChildren<ImMeaidCueDlg*>())
        cues.append(cue);
    for (const QPointer<ImMeaidCueDlg>& cue : cues) {
        if (cue && cue->IsCall(media))
            cue->EndCall();
    }
}
