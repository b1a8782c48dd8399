#pragma once

#include <QtGlobal>

#include "KivProtocol.h"

class CKivSession;
class QWidget;

// Between the server and the cues of calls offered to this user: a cue's
// answer and its call window's go to the server, and the caller's end of a
// call reaches the cue that shows it. The cues are children of the window.
class KivCallRelay {
public:
    KivCallRelay(QWidget& window, CKivSession& session);

    // The user turned the call down.
    void Decline(ptl_sys_send_per_media* media);
    // The first acceptance hands the request to the call window program,
    // which starts its sessions and answers with its ports; that answer
    // (state 2 by then) goes to the server.
    void Accept(ptl_sys_send_per_media* media, quintptr callWindow);
    // The called side hung up: the caller hears state 5. `cueRequest` is
    // the cue's own request, for an answer that names no caller.
    void HungUp(const ptl_sys_send_per_media& answer, const ptl_sys_send_per_media& cueRequest);
    // The caller ended the call (state 4): the cue showing it ends.
    void Close(const ptl_sys_send_per_media& media);

private:
    QWidget& m_window;
    CKivSession& m_session;
};
