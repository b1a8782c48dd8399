#include "shell/KivCallRelay.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include "CKivFriendNetModel.h"
#include "KivMediaRecord.h"
#include "KivWindowMessage.h"
#include "shell/ImMeaidCueDlg.h"

KivCallRelay::KivCallRelay(QWidget& window) : m_window(window) {}

void KivCallRelay::Send(const ptl_sys_send_per_media& record) {
    CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&record),
                                                int(sizeof(record)));
}

void KivCallRelay::Decline(ptl_sys_send_per_media* media) {
    media->state = 3;
    Send(*media);
}

void KivCallRelay::Accept(ptl_sys_send_per_media* media, quintptr callWindow) {
    if (media->state != 2) {
        media->state = 2;
        // The send waits in a loop that may delete the cue, so only a copy travels.
        const QByteArray request = KivMediaToMessage(*media);
        KivSendMessage(callWindow, 1, KivWindowIdFor(quint64(m_window.winId())), request);
        return;
    }
    media->head.command = Media;
    Send(*media);
}

void KivCallRelay::HungUp(const ptl_sys_send_per_media& answer,
                          const ptl_sys_send_per_media& cueRequest) {
    ptl_sys_send_per_media closed = answer.callerUid != 0 ? answer : cueRequest;
    KivFillHeader(closed.head, Media, sizeof(closed));
    closed.state = 5;
    Send(closed);
}

void KivCallRelay::Close(const ptl_sys_send_per_media& media) {
    if (media.state != 4)
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
