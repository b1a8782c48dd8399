#include "KivProfileUpdate.h"

#include "CKivFriendNetModel.h"

UpdateUserInfoRequest KivProfileUpdate::Build(const KivContactProfile& profile) {
    UpdateUserInfoRequest request;
    KivInitRecord(request, UpdateUserInfo);
    UserProfile& out = request.profile;
    out.uid = profile.uid;
    out.sex = profile.sex == 0 ? 0 : 1;
    out.head = Uint32(qMax(0, profile.head));
    KivWriteText(out.account, profile.account.toUtf8());
    KivWriteText(out.name, profile.nickName.toUtf8());
    KivWriteText(out.nickName, profile.nickName.toUtf8());
    KivWriteText(out.sign, profile.sign.toUtf8());
    KivWriteText(out.area, profile.area.toUtf8());
    KivWriteText(out.phone, profile.phone.toLatin1());
    KivWriteText(out.birthday, profile.birthday.toUtf8());
    return request;
}

int KivProfileUpdate::Send(const KivContactProfile& profile) {
    const UpdateUserInfoRequest request = Build(profile);
    return CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&request),
                                                       int(sizeof(request)));
}
