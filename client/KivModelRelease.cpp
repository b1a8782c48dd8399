#include "KivModelRelease.h"

#include "CKivFriendDBModel.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"

void KivReleaseModels() {
    CKivFriendHearbeatModel::ReleaseInstance();
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendReadConfigModel::ReleaseInstance();
    CKivFriendDBModel::ReleaseInstance();
    CKivFriendNetModel::ReleaseInstance();
}
