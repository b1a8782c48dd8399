#include "contacts/ADDFriendInfo.h"

#include "contacts/KivBirthday.h"

QString ADDFriendInfo::SexText(int sex) {
    return sex == 0 ? tr("女") : tr("男");
}

ADDFriendInfo ADDFriendInfo::From(const KivContactProfile& profile, quint32 ownId,
                                  const QPixmap& head) {
    ADDFriendInfo info;
    info.head = head;
    info.nickName = profile.nickName.isEmpty() ? profile.account : profile.nickName;
    info.account = profile.account;
    info.sex = SexText(profile.sex);
    info.age = KivBirthday::AgeText(profile.birthday);
    info.area = profile.area;
    info.ownId = ownId;
    info.friendId = profile.uid;
    return info;
}
