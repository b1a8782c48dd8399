#include "KivDevRecords.h"

#include <algorithm>

namespace {

QString shownName(const KivDevUser& user) {
    return user.nickName.isEmpty() ? user.account : user.nickName;
}

}  // namespace

void KivDevFillProfile(UserProfile& profile, const KivDevUser& user) {
    std::memset(&profile, 0, sizeof(profile));
    profile.uid = user.uid;
    profile.sex = user.sex;
    profile.head = user.head;
    KivWriteText(profile.account, user.account.toLatin1());
    KivDevWrite(profile.name, user.nickName);
    KivDevWrite(profile.nickName, user.nickName);
    KivDevWrite(profile.sign, user.sign);
    KivDevWrite(profile.area, user.area);
    KivDevWrite(profile.phone, user.phone);
    KivDevWrite(profile.birthday, user.birthday);
}

void KivDevFillLoginResult(LoginResult& record, const KivDevUser& user) {
    KivInitRecord(record, Login);
    record.result = 0;
    record.errorCode = 0;
    record.uid = user.uid;
    KivWriteText(record.account, user.account.toLatin1());
    KivDevWrite(record.nickName, user.nickName);
    KivDevWrite(record.sign, user.sign);
    record.sex = user.sex;
    KivDevWrite(record.birthday, user.birthday);
    KivDevWrite(record.area, user.area);
    KivDevWrite(record.phone, user.phone);
    record.giftBalance = user.giftBalance;
    record.vipFlag = user.vip ? 1u : 0u;
    KivDevWrite(record.headAdd, QString::number(user.head));
}

void KivDevFillList(FriendListResult& record, std::uint32_t command,
                    const std::vector<KivDevUser>& users) {
    KivInitRecord(record, command);
    const std::size_t count =
        std::min(users.size(), static_cast<std::size_t>(kKivMaxFriendRecords));
    for (std::size_t i = 0; i < count; ++i) {
        FriendRecord entry{};
        entry.uid = users[i].uid;
        KivDevWrite(entry.name, shownName(users[i]));
        entry.head = users[i].head;
        std::memcpy(record.list.data + i * sizeof(FriendRecord), &entry, sizeof(entry));
    }
    record.list.count = static_cast<std::uint32_t>(count);
}

void KivDevFillPush(AddFriendPushRecord& record, const KivDevUser& owner, std::uint32_t fromUid,
                    std::uint32_t toUid, const QByteArray& requestText) {
    KivInitRecord(record, AddFriendPush);
    record.fromUid = fromUid;
    record.toUid = toUid;
    record.sex = owner.sex;
    record.headIndex = owner.head;
    KivWriteText(record.account, owner.account.toLatin1());
    KivDevWrite(record.name, owner.nickName);
    KivDevWrite(record.nickName, owner.nickName);
    KivDevWrite(record.sign, owner.sign);
    KivDevWrite(record.area, owner.area);
    KivDevWrite(record.phone, owner.phone);
    KivDevWrite(record.birthday, owner.birthday);
    KivWriteText(record.requestText, requestText);
}
