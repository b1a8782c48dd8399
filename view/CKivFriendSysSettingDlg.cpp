#include "CKivFriendSysSettingDlg.h"

CKivFriendSysSettingDlg::CKivFriendSysSettingDlg(QWidget* parent)
    : KivPlaceholderDlg(QStringLiteral("CKivFriendSysSettingDlg"), QStringLiteral("系统设置"),
                        parent) {
    SetText(QStringLiteral("系统设置"));
}
