#include "CKivIMaddfriendTipDlg.h"

CKivIMaddfriendTipDlg::CKivIMaddfriendTipDlg(QWidget* parent)
    : KivPlaceholderDlg(QStringLiteral("KivIMAddFriendTipDlg"), QStringLiteral("好友请求"),
                        parent) {}
