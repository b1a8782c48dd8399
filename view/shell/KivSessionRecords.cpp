#include "shell/KivSessionRecords.h"

#include <QString>

#include "CKivFriendNetModel.h"
#include "KivProtocol.h"

namespace {

template <typename Record>
int Send(const Record& record) {
    return CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&record),
                                                       sizeof(record));
}

}  // namespace

int KivSessionRecords::SendSign(quint32 uid, const QString& sign) {
    SetMyShowRecord record;
    KivInitRecord(record, SetMyShow);
    record.uid = uid;
    KivWriteText(record.sign, sign.toUtf8());
    return Send(record);
}

int KivSessionRecords::AskVipList(const QString& account) {
    VipListRequest request;
    KivInitRecord(request, VipList);
    KivWriteText(request.account, account.toLatin1());
    request.accountLength = Uint32(qstrlen(request.account));
    return Send(request);
}

int KivSessionRecords::AskDeleteFriend(quint32 ownUid, quint32 friendUid) {
    DeleteFriendRequest request;
    KivInitRecord(request, DeleteFriend);
    request.ownUid = ownUid;
    request.friendUid = friendUid;
    return Send(request);
}

int KivSessionRecords::SendLogout(quint32 uid) {
    LogoutRequest request;
    KivInitRecord(request, Logout);
    request.uid = uid;
    request.status = 5;
    return Send(request);
}
