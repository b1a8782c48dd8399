#pragma once

#include <QPixmap>
#include <QString>

#include "KivContactProfile.h"

// The person a friend request goes to, handed from a search result (or a
// list entry) to the request dialog.
struct ADDFriendInfo {
    QPixmap head;
    QString nickName;
    QString account;
    QString sex;  // "男" or "女"
    QString age;
    QString area;
    quint32 ownId = 0;
    quint32 friendId = 0;

    static ADDFriendInfo From(const KivContactProfile& profile, quint32 ownId, const QPixmap& head);
};
