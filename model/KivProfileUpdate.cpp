#include "KivProfileUpdate.h"

namespace {

template <std::size_t N>
bool Fits(const char (&)[N], const QByteArray& text) {
    return text.size() < int(N) && !text.contains('\0');
}

}  // namespace

QString KivProfileUpdate::TooLong(const KivContactProfile& profile) {
    const UserProfile out{};
    if (!Fits(out.account, profile.account.toUtf8()))
        return tr("账号");
    if (!Fits(out.nickName, profile.nickName.toUtf8()))
        return tr("昵称");
    if (!Fits(out.sign, profile.sign.toUtf8()))
        return tr("个性签名");
    if (!Fits(out.area, profile.area.toUtf8()))
        return tr("所在地");
    if (!Fits(out.phone, profile.phone.toUtf8()))
        return tr("手机号码");
    if (!Fits(out.birthday, profile.birthday.toUtf8()))
        return tr("生日");
    return QString();
}

UpdateUserInfoRequest KivProfileUpdate::Build(const KivContactProfile& profile) {
    UpdateUserInfoRequest request;
    KivInitRecord(request, UpdateUserInfo);
    UserProfile& out = request.profile;
    out.uid = profile.uid;
    out.sex = profile.sex == 0 ? 0 : 1;
    out.head = Uint32(qMax(0, profile.head));
    KivWriteText(out.account, profile.account.toUtf8());
    KivWriteText(out.nickName, profile.nickName.toUtf8());
    KivWriteText(out.sign, profile.sign.toUtf8());
    KivWriteText(out.area, profile.area.toUtf8());
    KivWriteText(out.phone, profile.phone.toUtf8());
    KivWriteText(out.birthday, profile.birthday.toUtf8());
    return request;
}
