#pragma once

#include <QStringList>

#include "KivPlaceholderDlg.h"

// Asks a user to become a friend, with a short request text.
class CKivIMaddfriendDlg : public KivPlaceholderDlg {
    Q_OBJECT
public:
    explicit CKivIMaddfriendDlg(QWidget* parent = nullptr);

    // The person asked: {own uid, uid, sex, head, account, name, nick name, sign, area, ..}.
    void AcceptFriendInfo(const QStringList& info);
    QStringList FriendInfo() const { return m_info; }

private:
    QStringList m_info;
};
