#pragma once

#include "KivPlaceholderDlg.h"

// The user's settings: start, login, closing, hot keys.
class CKivFriendSysSettingDlg : public KivPlaceholderDlg {
    Q_OBJECT
public:
    explicit CKivFriendSysSettingDlg(QWidget* parent = nullptr);

signals:
    // The settings file changed; the main window reads it again.
    void SndSettingChanged();
};
