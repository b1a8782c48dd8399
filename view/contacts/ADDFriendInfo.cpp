#include "contacts/ADDFriendInfo.h"

#include "contacts/KivBirthday.h"

ADDFriendInfo ADDFriendInfo::From(const KivContactProfile& profile, quint32 ownId,
                                  const QPixmap& head) {
    ADDFriendInfo info;
    info.head = head;
    info.nickName = profile.nickName.isEmpty() ? profile.account : profile.nickName;
    info.account = profile.account;
    info.sex = profile.sex == 0 ? QStringLiteral("女") : QStringLiteral("男");
    info.age = KivBirthday::AgeText(profile.birthday);
    info.area = profile.area;
    info.ownId = ownId;
    info.friendId = profile.uid;
    return info;
}
