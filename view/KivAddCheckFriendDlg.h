#pragma once

#include "KivPlaceholderDlg.h"

// Search for users and add them as friends.
class KivAddCheckFriendDlg : public KivPlaceholderDlg {
    Q_OBJECT
public:
    explicit KivAddCheckFriendDlg(QWidget* parent = nullptr);

signals:
    void SndCloseSignal();

protected:
    void closeEvent(QCloseEvent* event) override;
};
