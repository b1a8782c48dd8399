#pragma once

#include <QCoreApplication>
#include <QPixmap>
#include <QString>

#include "KivContactProfile.h"

// The person a friend request goes to, handed from a search result (or a
// list entry) to the request dialog.
struct ADDFriendInfo {
    Q_DECLARE_TR_FUNCTIONS(ADDFriendInfo)

public:
    QPixmap head;
    QString nickName;
    QString account;
    QString sex;  // as shown: "男" or "女"
    QString age;
    QString area;
    quint32 ownId = 0;
    quint32 friendId = 0;

    // The sex of a profile (0 female, else male) as shown.
    static QString SexText(int sex);
    static ADDFriendInfo From(const KivContactProfile& profile, quint32 ownId, const QPixmap& head);
};
