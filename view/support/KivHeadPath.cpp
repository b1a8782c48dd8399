#include "support/KivHeadPath.h"

#include <QFileInfo>

QString KivHeadPath::Stock(int head) {
    return QStringLiteral("image/head/head_%1.png").arg(head);
}

QString KivHeadPath::DefaultHead() {
    return QStringLiteral("image/head/head.png");
}

QString KivHeadPath::Friend(const QString& ownAccount, quint32 friendUid, int head) {
    return head < kFirstUploadedHead ? Stock(head) : UploadedFriend(ownAccount, friendUid);
}

QString KivHeadPath::UploadedFriend(const QString& ownAccount, quint32 friendUid) {
    return QStringLiteral("User/%1/image/head(%2).png").arg(ownAccount).arg(friendUid);
}

QString KivHeadPath::Own(const QString& account) {
    return QStringLiteral("User/%1/image/head.png").arg(account);
}

QString KivHeadPath::AccountImageFolder(const QString& account) {
    return QStringLiteral("User/%1/image").arg(account);
}

QString KivHeadPath::OrDefault(const QString& path) {
    return QFileInfo(path).isFile() ? path : DefaultHead();
}
