#include "account/kivRecoverPassworddlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivProtocol.h"

namespace {

constexpr Uint32 kPasswordChanged = 1;

const KivCheckCodeDlg::Form kForm = {
    "kivRecoverPassworddlg",
    QT_TRANSLATE_NOOP("KivCheckCodeDlg", "找回密码"),
    "Resources/skin/kivRecoverPassWdDlg/backImage.png",
    "Resources/skin/kivRecoverPassWdDlg/kivrecoverpassworddlg.qss",
    "bSubmit",
    QT_TRANSLATE_NOOP("KivCheckCodeDlg", "确定"),
    kivRecoverPassworddlg::kFirstWait,
    kivRecoverPassworddlg::kLaterWait,
    int(sizeof(NewPasswordRequest::password)) - 1,
};

}  // namespace

kivRecoverPassworddlg::kivRecoverPassworddlg(QWidget* parent, CKivSession& session)
    : KivCheckCodeDlg(kForm, parent, session) {
    m_pPasswd->setPlaceholderText(tr("请输入新密码"));
    connect(m_pSubmit, &QPushButton::clicked, this, &kivRecoverPassworddlg::bSubmit_Clicked);
    connect(m_pGetCode, &QPushButton::clicked, this, &kivRecoverPassworddlg::getCodeClicked);
    connect(&m_session.Net(), &CKivFriendNetModel::MsgNewPwd, this,
            &kivRecoverPassworddlg::AcceptMsgNewPwdSlot);
    connect(&m_session.Net(), &CKivFriendNetModel::SetNewPwd, this,
            &kivRecoverPassworddlg::SetNewPwdSlot);
}

void kivRecoverPassworddlg::getCodeClicked() {
    if (CheckPhone())
        SendRePWD(Phone());
}

// The wait starts with the request here, not with the answer.
void kivRecoverPassworddlg::SendRePWD(QString phone) {
    if (RequestCheckNumber(phone, KivCheckForNewPassword))
        StartCountdown();
}

void kivRecoverPassworddlg::AcceptMsgNewPwdSlot(QString checkNumber, int uid) {
    if (m_requestedPhone.isEmpty())
        return;
    m_uid = uid;
    if (uid == 0) {
        ForgetCheckNumber();
        ShowMessage(tr("该手机没有注册！"), m_pPhone);
        return;
    }
    m_checkNumber = checkNumber.trimmed();
    m_codePhone = m_requestedPhone;
}

void kivRecoverPassworddlg::ForgetCheckNumber() {
    m_checkNumber.clear();
    m_codePhone.clear();
}

void kivRecoverPassworddlg::bSubmit_Clicked() {
    const QString phone = Phone();
    if (!CheckPhone() || !CheckPasswords())
        return;
    // Without a delivered number there is no account to send the password for.
    if (m_checkNumber.isEmpty() || m_uid == 0) {
        ShowMessage(tr("请先获取验证码！"), m_pCode);
        return;
    }
    if (TypedCode() != m_checkNumber || phone != m_codePhone) {
        ShowMessage(tr("验证码错误！"), m_pCode);
        return;
    }
    if (Delivered(m_session.SetNewPassword(quint32(m_uid), m_pPasswd->text())))
        m_waitingForResult = true;
}

void kivRecoverPassworddlg::SetNewPwdSlot(Uint32 result) {
    if (!m_waitingForResult)
        return;
    m_waitingForResult = false;
    if (result == kPasswordChanged) {
        // The server takes a check number once.
        ForgetCheckNumber();
        ShowMessage(tr("密码修改成功！"));
    } else {
        ShowMessage(tr("密码修改失败！"));
    }
}
