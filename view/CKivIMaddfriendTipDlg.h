#pragma once

#include "KivPlaceholderDlg.h"
#include "KivProtocol.h"

// The friend requests waiting for the user's answer.
class CKivIMaddfriendTipDlg : public KivPlaceholderDlg {
    Q_OBJECT
public:
    explicit CKivIMaddfriendTipDlg(QWidget* parent = nullptr);

signals:
    // The user accepted the request of uid (the answer has gone to the server).
    void UserAddAccept(Uint32 uid);
};
